// Text files: the input is the file. It is read into the views as the open command does; a file
// that loads is written out again and must load back to the same rows and statistics.
#include "fuzz/fuzzcore.h"

#include "files/text.h"

using namespace pelzo;
using namespace pelzo::fuzz;

namespace {

void CheckViews(const FuzzCore& f)
{
    const MainState& st = f.st;
    FUZZ_CHECK(st.Series_rec.count() == st.Series_max.count());
    FUZZ_CHECK(st.Series_rec.count() == st.Series_min.count());
    FUZZ_CHECK(int64_t(st.SampleCount) < int64_t(st.Grid.rowCount()));
    if (st.Series_rec.count() > 0) FUZZ_CHECK(st.MaxLevel >= st.MinLevel);
    // A row holds a value only when it is complete: never more values than rows counted.
    FUZZ_CHECK(st.Series_rec.count() <= st.SampleCount);
    FUZZ_CHECK(f.dialogs.shown.size() <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzCore f;
    ClearViews(f.st);
    const QString path = ScratchFile(QStringLiteral("input.txt"), std::span<const uint8_t>(data, size));
    const bool ok = ReadTextFile(f.core, path);
    CheckViews(f);
    FUZZ_CHECK(ok == f.dialogs.shown.empty());
    if (!ok) return 0;

    const QByteArray written = TextFileBytes(f.st);
    FuzzCore back;
    ClearViews(back.st);
    FUZZ_CHECK(ParseTextFile(back.core, written));
    CheckViews(back);
    FUZZ_CHECK(back.st.SampleCount == f.st.SampleCount);
    FUZZ_CHECK(back.st.Series_rec.y == f.st.Series_rec.y);
    FUZZ_CHECK(back.st.MaxLevel == f.st.MaxLevel && back.st.MinLevel == f.st.MinLevel);
    return 0;
}
