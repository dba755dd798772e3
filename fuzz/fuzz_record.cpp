// Record files: the input is a name and the file's bytes. Byte 0 gives the name's length
// (mod 64), the name follows as UTF-8, the rest is the file.
#include "fuzz/fuzzcore.h"

#include "files/openfile.h"
#include "files/record.h"
#include "meter/words.h"

#include <algorithm>

using namespace pelzo;
using namespace pelzo::fuzz;

namespace {

void CheckNameDate(const QString& name)
{
    const std::optional<QDate> d = RecordNameDate(name);
    if (!d) return;
    FUZZ_CHECK(d->isValid());
    FUZZ_CHECK(d->year() >= 2000 && d->year() <= 2255);
    FUZZ_CHECK(d->month() >= 1 && d->month() <= 12);
    // Upper and lower case (of the ASCII letters, as the rule counts bytes) read the same.
    QString lower = name;
    for (QChar& ch : lower)
        if (ch >= u'A' && ch <= u'Z') ch = QChar(char16_t(ch.unicode() + 32));
    FUZZ_CHECK(RecordNameDate(lower) == d);
}

void CheckSamples(const std::vector<uint32_t>& words, std::span<const uint8_t> file)
{
    FUZZ_CHECK(words.size() == file.size() / 4);
    for (size_t k = 0; k < words.size(); ++k) {
        const uint32_t w = words[k];
        FUZZ_CHECK(uint8_t(w) == file[4 * k] && uint8_t(w >> 24) == file[4 * k + 3]);
        ReadingTexts t;
        DecodeStored(w, t);
        FUZZ_CHECK(t.tenths == int(LevelCodeOf(w)) + 300);
        FUZZ_CHECK(t.timeValue.isValid());
        FUZZ_CHECK(t.Level.size() >= 4 && t.Level[t.Level.size() - 2] == u'.');
        FUZZ_CHECK(t.Weighting == QLatin1String("A") || t.Weighting == QLatin1String("C"));
    }
}

// The open command's path: every word becomes a row, the statistics follow.
void CheckLoad(const std::vector<uint32_t>& words, std::span<const uint8_t> file)
{
    FuzzCore f;
    const QString path = ScratchFile(QStringLiteral("BE6O0327.pzo"), file);
    LoadRecordFile(f.core, path);
    FUZZ_CHECK(f.dialogs.shown.empty());
    FUZZ_CHECK(f.st.SampleCount == words.size());
    FUZZ_CHECK(f.st.Series_rec.count() == words.size());
    FUZZ_CHECK(f.st.Series_max.count() == words.size() && f.st.Series_min.count() == words.size());
    if (!words.empty()) {
        FUZZ_CHECK(f.st.MaxLevel >= f.st.MinLevel);
        FUZZ_CHECK(f.st.MinLevel >= 30.0f && f.st.MaxLevel <= 132.3f + 0.01f);
        const int last = int(words.size());
        FUZZ_CHECK(f.st.Grid.cell(0, last) == QString::number(last));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t nameLen = std::min<size_t>(data[0] % 64, size - 1);
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(nameLen));
    const std::span<const uint8_t> file(data + 1 + nameLen, size - 1 - nameLen);

    CheckNameDate(name);
    const QString path = ScratchFile(QStringLiteral("input.pzo"), file);
    const std::optional<std::vector<uint32_t>> words = ReadRecordFile(path);
    FUZZ_CHECK(words.has_value());
    CheckSamples(*words, file);
    CheckLoad(*words, file);
    return 0;
}
