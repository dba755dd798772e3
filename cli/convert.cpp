// pelzo convert IN OUT: any loadable file to a record, text or spreadsheet file.
#include "cli/cli.h"

#include "files/commands.h"
#include "files/fileio.h"
#include "files/openfile.h"
#include "files/record.h"
#include "files/spreadsheet.h"
#include "files/text.h"
#include "meter/words.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace pelzo::cli {

namespace {

const char* const ConvertUsage =
    "usage: pelzo convert IN OUT\n"
    "\n"
    "Loads IN exactly as the open command of the desktop window does (its kind comes from the\n"
    "characters after the first '.': pzo, txt or xls) and writes the loaded rows to OUT, whose\n"
    "kind comes from its last extension:\n"
    "\n"
    "  OUT.pzo   a record file. A record file read from IN is copied word for word. Rows that\n"
    "            came from a text or spreadsheet file are coded back into sample words: the dB\n"
    "            cell (30.0 to 132.3 in steps of 0.1), the A/C cell and the Time cell; the range\n"
    "            is stored as 7 (not known) and the speed as FAST, because those files do not\n"
    "            hold them. A row that cannot be coded stops the conversion and nothing is written.\n"
    "            A record file keeps its date only in its 8-character name (e.g. BE6O0327.pzo):\n"
    "            give a folder as OUT (an existing folder, or a path ending in '/') and the name\n"
    "            is made from the date and time of row 1; give a file name and that name is used\n"
    "            as it is, with a warning when it does not carry row 1's date.\n"
    "  OUT.txt   a text file, as the save command writes it (no extension is appended).\n"
    "  OUT.xls   a spreadsheet file made from the template Export.pelzo, looked for in the\n"
    "            working directory and then beside this program.\n"
    "\n"
    "An existing OUT is replaced. Messages go to standard error; the exit status is 1 when IN\n"
    "could not be loaded or OUT not written, 2 for wrong arguments.\n";

enum class OutKind { Record, Text, Spreadsheet, None };

class NoPause final : public Pause {
public:
    // The pauses only let a progress animation play; there is none here.
    void pause(int) override {}
};

bool IsFolderTarget(const QString& out)
{
    return out.endsWith(QLatin1Char('/')) || QFileInfo(out).isDir();
}

OutKind KindOfOut(const QString& out)
{
    if (IsFolderTarget(out)) return OutKind::Record;
    const QString ext = QFileInfo(out).suffix().toLower();
    if (ext == QLatin1String("pzo")) return OutKind::Record;
    if (ext == QLatin1String("txt")) return OutKind::Text;
    if (ext == QLatin1String("xls")) return OutKind::Spreadsheet;
    return OutKind::None;
}

bool RowWord(const MainState& st, int row, uint32_t& word)
{
    float v = 0;
    const QString level = st.Grid.cell(1, row);
    if (!ParseLevel(level, v)) {
        Err(QStringLiteral("pelzo convert: row %1: the level '%2' is no number").arg(row).arg(level));
        return false;
    }
    const std::optional<uint32_t> code = LevelCodeOfLevel(v);
    if (!code) {
        Err(QStringLiteral("pelzo convert: row %1: the level %2 does not fit a record file "
                           "(30.0 to 132.3 dB in steps of 0.1)").arg(row).arg(level));
        return false;
    }
    const QString weighting = st.Grid.cell(2, row).trimmed();
    if (weighting != QLatin1String("A") && weighting != QLatin1String("C")) {
        Err(QStringLiteral("pelzo convert: row %1: the weighting '%2' is neither A nor C").arg(row).arg(weighting));
        return false;
    }
    const QTime time = ParseTimeText(st.Grid.cell(3, row));
    if (!time.isValid()) {
        Err(QStringLiteral("pelzo convert: row %1: cannot read the time '%2'").arg(row).arg(st.Grid.cell(3, row)));
        return false;
    }
    // The file kinds behind the rows hold neither range nor speed: range 7 (not known), FAST.
    word = ComposeSample(ComposeReading(*code, 7, weighting == QLatin1String("C"), false), time);
    return true;
}

std::optional<std::vector<uint32_t>> RowWords(const MainState& st)
{
    std::vector<uint32_t> words(st.SampleCount);
    for (uint32_t r = 1; r <= st.SampleCount; ++r)
        if (!RowWord(st, int(r), words[r - 1])) return std::nullopt;
    return words;
}

QByteArray WordBytes(const std::vector<uint32_t>& words)
{
    QByteArray b;
    b.reserve(qsizetype(words.size() * 4));
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) b += char(uint8_t(w >> (8 * i)));
    return b;
}

// The path of the record file: OUT itself, or a name made from row 1 inside the folder OUT.
std::optional<QString> RecordTarget(const MainState& st, const QString& out)
{
    const QDate date = ParseDateText(st.Grid.cell(4, 1));
    if (!IsFolderTarget(out)) {
        const std::optional<QDate> named = RecordNameDate(out);
        if (!date.isValid())
            Err(QStringLiteral("pelzo convert: warning: cannot read the date of row 1; ") + out +
                QStringLiteral(" keeps the date its name codes"));
        else if (!named || *named != date)
            Err(QStringLiteral("pelzo convert: warning: the name of ") + out +
                QStringLiteral(" does not code the date of row 1 (") + st.Grid.cell(4, 1) +
                QStringLiteral("); give a folder to have the name made"));
        return out;
    }
    const QTime time = ParseTimeText(st.Grid.cell(3, 1));
    if (!date.isValid() || !time.isValid()) {
        Err(QStringLiteral("pelzo convert: cannot read the date and time of row 1 to make the name; give a file name"));
        return std::nullopt;
    }
    const QString name =
        MakeRecordName(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
    const QString path = QDir(out).filePath(name + RecordExt);
    if (RecordNameDate(path) != date)
        Err(QStringLiteral("pelzo convert: warning: a record name holds years 2010 to 2035 only; ") + path +
            QStringLiteral(" reads back with another date"));
    if (QFileInfo::exists(path)) {
        // The name is ours to choose, so an existing recording is never replaced.
        Err(QStringLiteral("pelzo convert: ") + path + QStringLiteral(" exists already"));
        return std::nullopt;
    }
    return path;
}

int WriteRecord(Context& c, const QString& in, const QString& out)
{
    const MainState& st = c.st;
    std::optional<std::vector<uint32_t>> words;
    if (FileKindText(TrimControls(in)) == QLatin1String("pzo")) {
        words = ReadRecordFile(TrimControls(in));
        if (words && words->size() > st.SampleCount) words->resize(st.SampleCount);
    } else {
        words = RowWords(st);
    }
    if (!words) return 1;
    const std::optional<QString> target = RecordTarget(st, out);
    if (!target) return 1;
    if (!WriteFileReplacing(*target, WordBytes(*words))) {
        Err(QStringLiteral("pelzo convert: cannot write ") + *target);
        return 1;
    }
    Err(QStringLiteral("%1 samples to ").arg(words->size()) + *target);
    return 0;
}

void FindTemplate(MainState& st)
{
    const QString name = QStringLiteral("/Export.pelzo");
    if (QFileInfo::exists(st.AppDir + name)) return;
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(beside + name)) st.AppDir = beside;
}

}  // namespace

int CmdConvert(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(ConvertUsage, stdout);
        return 0;
    }
    if (args.size() != 2) {
        std::fputs(ConvertUsage, stderr);
        return 2;
    }
    const QString& in = args[0];
    const QString& out = args[1];
    const OutKind outKind = KindOfOut(out);
    if (outKind == OutKind::None) {
        Err(QStringLiteral("pelzo convert: OUT must end in .pzo, .txt or .xls (or be a folder)"));
        return 2;
    }
    NoPause noPause;
    Core core{c.st, c.usb, c.dialogs, c.clock, c.timer, noPause};
    if (const int rc = LoadForCommand(c, core, "convert", in)) return rc;
    if (c.st.SampleCount == 0) {
        c.dialogs.message(PlainMessage(MsgNoDataToSave));
        return 1;
    }
    const int before = c.dialogs.shown();
    switch (outKind) {
    case OutKind::Record: return WriteRecord(c, in, out);
    case OutKind::Text: return WriteTextFile(core, out) ? 0 : 1;
    case OutKind::Spreadsheet:
        FindTemplate(c.st);
        ExportSpreadsheet(core, out);
        return c.dialogs.shown() > before ? 1 : 0;
    case OutKind::None: break;
    }
    return 2;
}

}  // namespace pelzo::cli
