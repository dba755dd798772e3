#include "files/openfile.h"

#include "files/record.h"

namespace pelzo {

QString FileKindText(const QString& path)
{
    const qsizetype dot = path.indexOf(QLatin1Char('.'));
    const QString kind = dot < 0 ? path.left(3) : path.mid(dot + 1, 3);
    // ASCII lower case only, as a byte-wise compare would.
    QString out = kind;
    for (QChar& ch : out)
        if (ch >= u'A' && ch <= u'Z') ch = QChar(char16_t(ch.unicode() + 32));
    return out;
}

void LoadRecordFile(Core& c, const QString& path)
{
    MainState& st = c.st;
    CloseRecFile(st);
    ClearViews(st);
    const std::optional<QDate> date = RecordNameDate(path);
    if (!date) {
        c.dialogs.message(CaptionedMessage(MsgInvalidDate, AppTitle, Ok, Icon::Error));
        return;
    }
    const auto samples = ReadRecordFile(path);
    if (!samples) {
        c.dialogs.message(CaptionedMessage(MsgCannotReadFile, CaptionWarningInfo, Ok | Cancel, Icon::None));
        return;
    }
    const size_t n = samples->size();
    st.SampleCount = uint32_t(n);
    st.Series_rec.y.reserve(n);
    st.Series_max.y.reserve(n);
    st.Series_min.y.reserve(n);
    st.Grid.beginBulk();
    for (size_t k = 0; k < n; ++k) {
        const uint32_t w = (*samples)[k];
        const int row = int(k + 1);
        // Only the last sample's texts are kept in FileTexts; the rows store values.
        if (k + 1 == n) {
            DecodeStored(w, st.FileTexts);
            st.FileTexts.Date = ShortDateText(*date);
            st.FileTexts.dateValue = *date;
        }
        const int tenths = int(LevelCodeOf(w)) + 300;
        st.Grid.setSampleRow(row, tenths, CWeightingOf(w) ? 'C' : 'A', SampleTime(w), *date);
        AddFileValue(st, float(tenths) / 10.0f, k == 0);
        st.Grid.setRowCount(st.Grid.rowCount() + 1);
    }
    st.Grid.endBulk();
}

void OpenFileIntoViews(Core& c)
{
    MainState& st = c.st;
    st.OpenFileName = TrimControls(st.OpenFileName);
    const QString kind = FileKindText(st.OpenFileName);
    if (kind == QLatin1String("pzo")) {
        LoadRecordFile(c, st.OpenFileName);
    }
    // The text and spreadsheet kinds come with their own loaders; other kinds do nothing.
}

}  // namespace pelzo
