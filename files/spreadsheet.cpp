#include "files/spreadsheet.h"

#include "files/automation.h"

#include "files/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <optional>
#include <sys/stat.h>

namespace pelzo {

namespace {

constexpr int FirstDataRow = 5;

QString TemplatePath(const MainState& st) { return st.AppDir + QStringLiteral("/Export.pelzo"); }

// The new workbook while it is being made: a copy of the template beside the target, removed
// unless it is moved over the target in the end. The target itself is touched only by that move,
// so a failed export leaves an existing target as it was.
class PendingWorkbook {
public:
    PendingWorkbook(const QString& templatePath, const QString& target)
        : target_(target), file_(QFileInfo(target).absolutePath() + QStringLiteral("/.") + QFileInfo(target).fileName() +
                                 QStringLiteral(".XXXXXX.xls"))
    {
        const QFileInfo existing(target);
        // Neither a folder nor a file the user made read-only is replaced.
        if (existing.exists() && (!existing.isFile() || !existing.isWritable())) return;
        const std::optional<QByteArray> bytes = ReadWholeFile(templatePath);
        if (!bytes || !file_.open()) return;
        if (file_.write(*bytes) != bytes->size() || !file_.flush()) return;
        file_.close();
        file_.setPermissions(existing.exists() ? existing.permissions() : NewFilePermissions());
        made_ = true;
    }
    PendingWorkbook(const PendingWorkbook&) = delete;
    PendingWorkbook& operator=(const PendingWorkbook&) = delete;

    bool made() const { return made_; }
    QString path() const { return file_.fileName(); }

    // The whole new workbook takes the target's place in one step.
    bool replaceTarget()
    {
        if (std::rename(QFile::encodeName(path()).constData(), QFile::encodeName(target_).constData()) != 0) return false;
        file_.setAutoRemove(false);
        return true;
    }

private:
    // What a plain new file gets: read and write for all that the umask leaves.
    static QFileDevice::Permissions NewFilePermissions()
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = 0666 & ~mask;
        QFileDevice::Permissions p;
        if (mode & S_IRUSR) p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
        if (mode & S_IWUSR) p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
        if (mode & S_IRGRP) p |= QFileDevice::ReadGroup;
        if (mode & S_IWGRP) p |= QFileDevice::WriteGroup;
        if (mode & S_IROTH) p |= QFileDevice::ReadOther;
        if (mode & S_IWOTH) p |= QFileDevice::WriteOther;
        return p;
    }

    QString target_;
    QTemporaryFile file_;
    bool made_ = false;
};

void ShowAutomationError(Dialogs& d, const AutomationError& e) { d.message(CaptionedMessage(e.text(), AppTitle, Ok, Icon::Error)); }

QString NotANumberText(const QString& text) { return QStringLiteral("'%1' is not a valid floating point value.").arg(text); }

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
    PendingWorkbook book(TemplatePath(st), target);
    if (!book.made()) {
        c.dialogs.message(CaptionedMessage(MsgNoExcelFile, CaptionInfoBlanks, Ok, Icon::None));
        return;
    }

    std::unique_ptr<AutoApp> app = StartOffice(c, office, MsgCannotOpenExcel, CaptionInfoBlanks);
    if (!app) return;

    std::optional<AutomationError> failure;
    try {
        AutoSheet& sheet = OpenSheet(*app, book.path());
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
    if (failure) {
        ShowAutomationError(c.dialogs, *failure);
        return;
    }
    if (!book.replaceTarget()) c.dialogs.message(CaptionedMessage(MsgNoExcelFile, CaptionInfoBlanks, Ok, Icon::None));
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

        GridBulk bulk(st.Grid);
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
