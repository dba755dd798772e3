#include "files/openfile.h"

#include "files/record.h"
#include "files/spreadsheet.h"
#include "files/text.h"

#include <new>

namespace pelzo {

QString FileKindText(const QString& path)
{
    // Only the file name counts: a dotted folder (~/.local/share, /home/j.smith) says nothing
    // about the kind of the file in it.
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString kind = dot < 0 ? name.left(3) : name.mid(dot + 1, 3);
    // ASCII lower case only, as a byte-wise compare would.
    QString out = kind;
    for (QChar& ch : out)
        if (ch >= u'A' && ch <= u'Z') ch = QChar(char16_t(ch.unicode() + 32));
    return out;
}

namespace {

void ShowCannotRead(Dialogs& d) { d.message(CaptionedMessage(MsgCannotReadFile, CaptionWarningInfo, Ok | Cancel, Icon::None)); }

// Fills the views with the decoded samples; the date is the same on every row.
void FillRecordRows(MainState& st, const std::vector<uint32_t>& samples, QDate date)
{
    const size_t n = samples.size();
    st.SampleCount = uint32_t(n);
    GridBulk bulk(st.Grid);
    uint32_t rows = 0;
    try {
        st.Grid.reserveRows(int(n) + 1);
        st.Series_rec.y.reserve(n);
        st.Series_max.y.reserve(n);
        st.Series_min.y.reserve(n);
        for (size_t k = 0; k < n; ++k) {
            const uint32_t w = samples[k];
            const int row = int(k + 1);
            // Only the last sample's texts are kept in FileTexts; the rows store values.
            if (k + 1 == n) {
                DecodeStored(w, st.FileTexts);
                st.FileTexts.Date = ShortDateText(date);
                st.FileTexts.dateValue = date;
            }
            const int tenths = int(LevelCodeOf(w)) + 300;
            st.Grid.setSampleRow(row, tenths, CWeightingOf(w) ? 'C' : 'A', SampleTime(w), date);
            AddFileValue(st, float(tenths) / 10.0f, k == 0);
            st.Grid.setRowCount(st.Grid.rowCount() + 1);
            rows = uint32_t(row);
        }
    } catch (const std::bad_alloc&) {
        // Keep the rows that made it; the count must not claim more than the table shows.
        st.SampleCount = rows;
        throw;
    }
}

// A load into the views ends a running recording (the card window loads without asking):
// the live file's slot counter is about to mean rows of another file, and no tick may append
// there.
void EndRecordingForLoad(MainState& st) { st.Recording = false; }

}  // namespace

void LoadRecordFile(Core& c, const QString& path)
{
    MainState& st = c.st;
    CloseRecFile(st);
    EndRecordingForLoad(st);
    ClearViews(st);
    const std::optional<QDate> date = RecordNameDate(path);
    if (!date) {
        c.dialogs.message(CaptionedMessage(MsgInvalidDate, AppTitle, Ok, Icon::Error));
        return;
    }
    try {
        const auto samples = ReadRecordFile(path);
        if (!samples) {
            ShowCannotRead(c.dialogs);
            return;
        }
        FillRecordRows(st, *samples, *date);
    } catch (const std::bad_alloc&) {
        ShowCannotRead(c.dialogs);
    }
}

void OpenFileIntoViews(Core& c)
{
    MainState& st = c.st;
    st.OpenFileName = TrimControls(st.OpenFileName);
    const QString kind = FileKindText(st.OpenFileName);
    if (kind == QLatin1String("pzo")) {
        LoadRecordFile(c, st.OpenFileName);
    } else if (kind == QLatin1String("txt")) {
        EndRecordingForLoad(st);
        ClearViews(st);
        ReadTextFile(c, st.OpenFileName);
    } else if (kind == QLatin1String("xls")) {
        EndRecordingForLoad(st);
        ClearViews(st);
        ImportSpreadsheet(c, st.OpenFileName);
    }
    // Any other kind: nothing happens, the views keep their content.
}

}  // namespace pelzo
