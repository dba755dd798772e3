#include "files/text.h"

#include "files/fileio.h"
#include "files/openfile.h"
#include "files/record.h"

#include <charconv>
#include <cmath>
#include <new>

namespace pelzo {

namespace {

void ShowCannotRead(Dialogs& d) { d.message(CaptionedMessage(MsgCannotReadFile, CaptionWarningInfo, Ok | Cancel, Icon::None)); }

// A NUL would end the parse of everything after it when the file is read back: left out.
void AppendCell(QByteArray& out, const QString& cell)
{
    const qsizetype start = out.size();
    for (const QChar ch : cell) {
        const char16_t u = ch.unicode();
        if (u >= 0x80) {  // rare: a desk format with other characters, or an edited cell
            out.truncate(start);
            QByteArray b = cell.toUtf8();
            b.replace('\0', QByteArray());
            out += b;
            break;
        }
        if (u != 0) out += char(u);
    }
    out += '\t';
}

}  // namespace

QByteArray TextFileBytes(const MainState& st)
{
    QByteArray out;
    const int64_t last = int64_t(st.SampleCount) + 1;
    out.reserve(qsizetype(last * 40));
    for (int64_t row = 1; row <= last; ++row) {
        for (int col = 0; col < StringGrid::ColCount; ++col) AppendCell(out, st.Grid.cell(col, int(row)));
        out += "\r\n";
    }
    return out;
}

bool WriteTextFile(Core& c, const QString& target)
{
    bool ok = false;
    c.dialogs.withProgress(ProgressKind::Save, [&] {
        c.pause.pause(1000);
        try {
            const QByteArray memo = TextFileBytes(c.st);  // the line buffer, made afresh each time
            ok = WriteFileReplacing(target, memo);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        c.pause.pause(1000);
    });
    if (!ok) {
        Message m = CaptionedMessage(MsgTextWriteFailed, CaptionInfoPrompt, Ok, Icon::None);
        m.ownerless = true;
        c.dialogs.message(m);
    }
    return ok;
}

namespace {

// The byte parse: tabs end cells, CR and LF send the column back to 0, a NUL ends it all,
// a row is complete after its fifth non-empty cell. False when a level is no number.
class TextParser {
public:
    explicit TextParser(MainState& st) : st_(st) {}

    bool run(const QByteArray& bytes)
    {
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        for (; p < end && *p != '\0'; ++p) {
            const char ch = *p;
            if (ch == '\t') {
                if (!cellEnd()) return false;
            } else if (ch == '\r' || ch == '\n') {
                col_ = 0;
            } else {
                cell_ += ch;
            }
        }
        return true;  // a text with no tab after it is dropped
    }

private:
    bool cellEnd()
    {
        if (cell_.isEmpty()) return true;
        st_.Grid.setCell(col_, row_, QString::fromUtf8(cell_));
        if (col_ >= 4) {
            if (!rowComplete()) return false;
            col_ = -1;
        }
        ++col_;
        cell_.clear();
        return true;
    }

    bool rowComplete()
    {
        const QString level = st_.Grid.cell(1, row_);
        if (!level.isEmpty()) {
            float v = 0;
            if (!ParseLevel(level, v)) return false;
            AddFileValue(st_, v, first_);
            first_ = false;
            st_.SampleCount = uint32_t(row_);
        }
        ++row_;
        st_.Grid.setRowCount(st_.Grid.rowCount() + 1);
        return true;
    }

    MainState& st_;
    int row_ = 1;
    int col_ = 0;
    QByteArray cell_;
    bool first_ = true;
};

}  // namespace

bool ParseTextFile(Core& c, const QByteArray& bytes)
{
    bool ok = false;
    try {
        // The table hears of the rows once, before any message is shown over it.
        GridBulk bulk(c.st.Grid);
        TextParser parser(c.st);
        ok = parser.run(bytes);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) ShowCannotRead(c.dialogs);
    return ok;
}

bool ReadTextFile(Core& c, const QString& path)
{
    std::optional<QByteArray> bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const std::bad_alloc&) {
        bytes.reset();
    }
    if (!bytes) {
        ShowCannotRead(c.dialogs);
        return false;
    }
    return ParseTextFile(c, *bytes);
}

}  // namespace pelzo
