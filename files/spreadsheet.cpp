#include "files/spreadsheet.h"

#include "files/automation.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace pelzo {

namespace {

constexpr int FirstDataRow = 5;

QString TemplatePath(const MainState& st) { return st.AppDir + QStringLiteral("/Export.pelzo"); }

// A copy that replaces whatever is at the target, writable whatever the template's mode.
void CopyReplacing(const QString& from, const QString& to)
{
    if (QFileInfo(to).isFile()) QFile::remove(to);
    if (QFile::copy(from, to)) QFile::setPermissions(to, QFile::permissions(to) | QFile::ReadOwner | QFile::WriteOwner);
}

void ShowAutomationError(Dialogs& d, const AutomationError& e) { d.message(CaptionedMessage(e.text(), AppTitle, Ok, Icon::Error)); }

QString NotANumberText(const QString& text) { return QStringLiteral("'%1' is not a valid floating point value.").arg(text); }

class GridNoticeHold {
public:
    explicit GridNoticeHold(StringGrid& g) : g_(g) { g_.beginBulk(); }
    ~GridNoticeHold() { g_.endBulk(); }
    GridNoticeHold(const GridNoticeHold&) = delete;
    GridNoticeHold& operator=(const GridNoticeHold&) = delete;

private:
    StringGrid& g_;
};

// Steps 2 to 7 of the automation order: hidden application, the workbook opened and made active,
// its active sheet.
AutoSheet& OpenSheet(AutoApp& app, const QString& path)
{
    app.setVisible(0);
    app.workBooksOpen(path);
    return app.activeWorkBook().activeSheet();
}

void FillRows(MainState& st, AutoSheet& sheet)
{
    for (uint32_t k = 0; k <= st.SampleCount; ++k) {
        const int row = int(k) + FirstDataRow;
        for (int c = 1; c <= StringGrid::ColCount; ++c) sheet.cellsSetValue(row, c, st.Grid.cell(c - 1, int(k) + 1));
    }
}

// Rows 5 and below into the table, counting them in `loaded`; false (with `bad` holding the
// text) at a level that is no number.
bool ReadRows(MainState& st, AutoSheet& sheet, int n, int& loaded, QString& bad)
{
    for (int i = 0; i < n; ++i) {
        const int e = i + FirstDataRow;
        const int r = i + 1;
        st.Grid.setCell(0, r, sheet.cellsValue(e, 1));
        st.Grid.setCell(1, r, sheet.cellsValue(e, 2));
        float v = 0;
        const QString level = st.Grid.cell(1, r).trimmed();
        if (!ParseLevel(level, v)) {
            bad = level;
            return false;
        }
        AddFileValue(st, v, i == 0);
        for (int c = 3; c <= StringGrid::ColCount; ++c) st.Grid.setCell(c - 1, r, sheet.cellsValue(e, c));
        st.Grid.setRowCount(st.Grid.rowCount() + 1);
        loaded = r;
    }
    return true;
}

// The office for one operation, or none after telling the user.
std::unique_ptr<AutoApp> StartOffice(Core& c, const OfficeSetup& office, const QString& failText, const QString& caption)
{
    try {
        return CreateAutoApp(office);
    } catch (const AutomationError&) {
        c.dialogs.message(CaptionedMessage(failText, caption, Ok, Icon::Error));
        return nullptr;
    }
}

// The office's steps inside a progress window: a failure there is caught on its own side of the
// window and handed back.
template <class Steps>
std::optional<AutomationError> InProgress(Core& c, ProgressKind kind, Steps&& steps)
{
    std::optional<AutomationError> failure;
    c.dialogs.withProgress(kind, [&] {
        try {
            steps();
        } catch (const AutomationError& e) {
            failure = e;
        }
    });
    return failure;
}

}  // namespace

void ExportSpreadsheet(Core& c, const QString& target, const OfficeSetup& office)
{
    MainState& st = c.st;
    CopyReplacing(TemplatePath(st), target);
    if (!QFileInfo(target).isFile()) {
        c.dialogs.message(CaptionedMessage(MsgNoExcelFile, CaptionInfoBlanks, Ok, Icon::None));
        return;
    }

    std::unique_ptr<AutoApp> app = StartOffice(c, office, MsgCannotOpenExcel, CaptionInfoBlanks);
    if (!app) return;

    std::optional<AutomationError> failure;
    try {
        AutoSheet& sheet = OpenSheet(*app, target);
        const int n = sheet.usedRangeRowsCount();
        for (int i = FirstDataRow; i <= n + 1; ++i) sheet.rowsSetValue(i, QString());

        failure = InProgress(c, ProgressKind::Save, [&] {
            c.pause.pause(1000);
            FillRows(st, sheet);
            app->activeWorkBook().save();
            app->quit();
        });
    } catch (const AutomationError& e) {
        failure = e;
    }
    // The office goes before the message is shown.
    app.reset();
    if (failure) ShowAutomationError(c.dialogs, *failure);
}

void ImportSpreadsheet(Core& c, const QString& path, const OfficeSetup& office)
{
    MainState& st = c.st;
    if (!QFileInfo::exists(path)) {
        c.dialogs.message(CaptionedMessage(MsgAppChangedOrLost, CaptionInfo, Ok, Icon::Error));
        return;
    }

    std::unique_ptr<AutoApp> app = StartOffice(c, office, MsgCannotStartExcel, CaptionInfo);
    if (!app) return;

    std::optional<AutomationError> failure;
    QString badLevel;
    bool complete = true;
    int loaded = 0;
    try {
        AutoSheet& sheet = OpenSheet(*app, path);
        const int n = std::max(0, sheet.usedRangeRowsCount() - FirstDataRow);
        st.SampleCount = uint32_t(n);

        GridNoticeHold bulk(st.Grid);
        failure = InProgress(c, ProgressKind::Open, [&] {
            c.pause.pause(10);
            complete = ReadRows(st, sheet, n, loaded, badLevel);
            // A level that is no number ends the import like its end does.
            app->activeWorkBook().close();
            app->quit();
        });
    } catch (const AutomationError& e) {
        failure = e;
    }
    app.reset();
    // The rows read so far stay, and the count says how many there are.
    if (failure || !complete) st.SampleCount = uint32_t(loaded);
    if (failure) {
        ShowAutomationError(c.dialogs, *failure);
    } else if (!complete) {
        c.dialogs.message(CaptionedMessage(NotANumberText(badLevel), AppTitle, Ok, Icon::Error));
    }
}

void ExportSpreadsheet(Core& c, const QString& target) { ExportSpreadsheet(c, target, DefaultOfficeSetup()); }

void ImportSpreadsheet(Core& c, const QString& path) { ImportSpreadsheet(c, path, DefaultOfficeSetup()); }

}  // namespace pelzo
