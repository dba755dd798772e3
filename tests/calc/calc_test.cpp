// Export into a copy of the template and import back, through the real LibreOffice.
#include "files/automation.h"
#include "files/spreadsheet.h"
#include "monitor/monitor.h"
#include "officetools.h"
#include "tests/support/testseams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <functional>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace pelzo;
using namespace pelzo::test;

namespace {

const QString RunDir = QStringLiteral(PELZO_RUNDIR);

struct Calc : ::testing::Test, pelzo::test::CoreFixture {
    QTemporaryDir dir;
    OfficeSetup office = DefaultOfficeSetup();

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        st.AppDir = dir.path();
        ASSERT_TRUE(QFile::copy(RunDir + QStringLiteral("/Export.pelzo"), path("Export.pelzo")));
        QDir().mkpath(path("office"));
        QDir().mkpath(path("scratch"));
        office.tempDir = path("office");
        // A home of our own shows whether the office kept to its private profile.
        QDir().mkpath(path("home"));
        qputenv("HOME", path("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", path("home/.config").toUtf8());
        office.plugin = RunDir + QStringLiteral("/libpelzo_calc.so");
        ASSERT_FALSE(office.soffice.isEmpty()) << "soffice not on PATH";
        socketsBefore = PipeSockets();
    }

    // An earlier process with the same id may have left its sockets; only new ones count.
    static QStringList PipeSockets()
    {
        return QDir(QStringLiteral("/tmp")).entryList({QStringLiteral("OSL_PIPE_*_pelzo_calc_%1_*").arg(getpid())}, QDir::System);
    }
    QStringList socketsBefore;

    void TearDown() override
    {
        // Every private profile is gone with its office.
        EXPECT_TRUE(QDir(path("office")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        EXPECT_FALSE(QFileInfo::exists(path("home/.config/libreoffice"))) << "the user's own profile was touched";
        EXPECT_EQ(PipeSockets(), socketsBefore) << "the office's pipe socket is left";
        // No lock file is left beside any workbook.
        EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".~lock*")}, QDir::Files | QDir::Hidden).isEmpty());
    }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    void addSample(const char* level, char weighting, QTime t)
    {
        ReadingTexts r;
        r.Level = QString::fromLatin1(level);
        r.Weighting = QString(QChar::fromLatin1(weighting));
        r.Time = LongTimeText(t);
        r.Date = ShortDateText(QDate(2011, 5, 6));
        r.tenths = int(std::lround(std::stod(level) * 10));
        r.timeValue = t;
        r.dateValue = QDate(2011, 5, 6);
        const uint32_t n = ++st.SampleCount;
        AddSampleToViews(st, n, float(std::stod(level)), r);
    }

    // As the open command does it.
    void importFile(const QString& xls) { importFile(xls, office); }
    void importFile(const QString& xls, const OfficeSetup& o)
    {
        ClearViews(st);
        ImportSpreadsheet(core, xls, o);
    }

    std::vector<QStringList> rows(const QString& xls) { return SheetRows(xls, path("scratch")); }
};

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList GridRow(const MainState& st, int r)
{
    QStringList out;
    for (int c = 0; c < StringGrid::ColCount; ++c) out << st.Grid.cell(c, r);
    return out;
}

TEST_F(Calc, ExportThenImportKeepsTheViews)
{
    addSample("50.0", 'A', QTime(14, 3, 27));
    addSample("55.5", 'C', QTime(14, 3, 28));
    addSample("49.9", 'A', QTime(14, 3, 29));
    addSample("50.0", 'A', QTime(14, 3, 30));
    std::vector<QStringList> before;
    for (int r = 1; r <= 4; ++r) before.push_back(GridRow(st, r));
    const auto rec = st.Series_rec.y, max = st.Series_max.y, min = st.Series_min.y;

    // A name with blanks and Chinese characters on the way to the office and back.
    const QString xls = path("导出 数据.xls");
    ExportSpreadsheet(core, xls, office);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.progress, std::vector<ProgressKind>{ProgressKind::Save});
    EXPECT_EQ(pause.pauses, std::vector<int>{1000});
    EXPECT_TRUE(IsCompoundFile(xls));

    st.MaxLevel = st.MinLevel = 0;
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.progress, (std::vector<ProgressKind>{ProgressKind::Save, ProgressKind::Open}));
    EXPECT_EQ(pause.pauses, (std::vector<int>{1000, 10}));

    EXPECT_EQ(st.SampleCount, 4u);
    EXPECT_EQ(st.Grid.rowCount(), 5);
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(GridRow(st, r), before[size_t(r - 1)]) << "row " << r;
    EXPECT_FLOAT_EQ(st.MaxLevel, 55.5f);
    EXPECT_FLOAT_EQ(st.MinLevel, 49.9f);
    EXPECT_EQ(st.Series_rec.y, rec);
    EXPECT_EQ(st.Series_max.y, max);
    EXPECT_EQ(st.Series_min.y, min);
}

TEST_F(Calc, ExportKeepsTheTemplateHeadAndReplacesAnOldFile)
{
    const auto head = rows(path("Export.pelzo"));
    ASSERT_EQ(head.size(), 4u);
    EXPECT_EQ(head[3].mid(0, 5), (QStringList{"REC", "dB", "A/C", "Time", "Date"}));

    // Something else at the target: it is replaced by a fresh copy of the template.
    const QString xls = path("out.xls");
    MakeWorkbook(QStringLiteral("a,b\n1,2\n3,4\n5,6\n7,8\n9,10\n11,12\n"), xls, path("scratch"));
    addSample("61.2", 'C', QTime(8, 0, 1));
    addSample("62.3", 'C', QTime(8, 0, 2));
    ExportSpreadsheet(core, xls, office);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();

    const auto out = rows(xls);
    ASSERT_EQ(out.size(), 6u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(out[i], head[i]) << "row " << i + 1;
    EXPECT_EQ(out[4].mid(0, 5), GridRow(st, 1));
    EXPECT_EQ(out[5].mid(0, 5), GridRow(st, 2));
    EXPECT_EQ(out[4].mid(5).join(QString()), QString()) << "old cells beyond column 5 are emptied";
}

TEST_F(Calc, ExportEmptiesTheOldRowsOfALongTemplate)
{
    // A template whose used range reaches row 40.
    QString csv = QStringLiteral("T\n\nh\nREC,dB\n");
    for (int r = 5; r <= 40; ++r) csv += QStringLiteral("old%1,%1\n").arg(r);
    MakeWorkbook(csv, path("Export.pelzo"), path("scratch"));
    addSample("70.1", 'A', QTime(9, 0, 0));
    addSample("70.2", 'A', QTime(9, 0, 1));
    const QString xls = path("long.xls");
    ExportSpreadsheet(core, xls, office);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    const auto out = rows(xls);
    ASSERT_EQ(out.size(), 6u) << "rows 7 to 40 are emptied";
    EXPECT_EQ(out[3].mid(0, 2), (QStringList{"REC", "dB"}));
    EXPECT_EQ(out[5].mid(0, 2), (QStringList{"2", "70.2"}));
}

TEST_F(Calc, ImportReadsRowsFiveToTheLastButOneOfAnyWorkbook)
{
    // Used rows 1 to 12: rows 5 to 11 are loaded, numbers as their plain text.
    QString csv = QStringLiteral("title\n\n\nREC,dB,A/C,Time,Date\n");
    for (int r = 5; r <= 12; ++r) csv += QStringLiteral("%1,%2,A,t%3,d%3\n").arg(r - 4).arg(40 + r).arg(r);
    csv.replace(QStringLiteral("2,46,"), QStringLiteral("2,46.25,"));
    const QString xls = path("any.xls");
    MakeWorkbook(csv, xls, path("scratch"));
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(st.SampleCount, 7u);
    EXPECT_EQ(st.Grid.rowCount(), 8);
    EXPECT_EQ(GridRow(st, 1), (QStringList{"1", "45", "A", "t5", "d5"}));
    EXPECT_EQ(GridRow(st, 2), (QStringList{"2", "46.25", "A", "t6", "d6"}));
    EXPECT_EQ(GridRow(st, 7), (QStringList{"7", "51", "A", "t11", "d11"}));
    EXPECT_FLOAT_EQ(st.MaxLevel, 51.f);
    EXPECT_FLOAT_EQ(st.MinLevel, 45.f);
    EXPECT_EQ(st.Series_rec.count(), 7u);
}

TEST_F(Calc, ImportStopsAtALevelThatIsNoNumber)
{
    struct Case {
        const char* level;  // the third data row's level
        const char* shown;
    };
    for (const Case& k : {Case{"loud", "'loud' is not a valid floating point value."}, Case{"", "'' is not a valid floating point value."}}) {
        SCOPED_TRACE(k.level);
        dialogs.shown.clear();
        const QString csv = QStringLiteral("x\n\n\nh\n1,50.5,A,t,d\n2,51.5,A,t,d\n3,%1,A,t,d\n4,52,A,t,d\n5,53,A,t,d\n6,,,,\n").arg(QString::fromLatin1(k.level));
        const QString xls = path("bad.xls");
        MakeWorkbook(csv, xls, path("scratch"));
        importFile(xls);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, QString::fromLatin1(k.shown));
        EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
        EXPECT_EQ(st.SampleCount, 2u) << "the count follows the rows loaded";
        EXPECT_EQ(st.Grid.rowCount(), 3);
        EXPECT_EQ(st.Series_rec.count(), 2u);
        EXPECT_FLOAT_EQ(st.MaxLevel, 51.5f);
    }
}

TEST_F(Calc, ImportOfAWorkbookAnotherProgramSavedReadsTypedCellsAsTheirTexts)
{
    // Saved by gnumeric: numbers, times, dates and date-times as typed cells with number formats.
    const QString general = QStringLiteral("General");
    const std::vector<TypedCell> cells = {
        {1, 1, "Pelzo", {}}, {4, 1, "REC", {}}, {4, 2, "dB", {}},
        {5, 1, "1", general}, {5, 2, "59.8", general}, {5, 3, "A", {}},
        {5, 4, "0.416666666666667", "hh:mm:ss"}, {5, 5, "40669", "yyyy-mm-dd"},
        {6, 1, "2", general}, {6, 2, "60.1", general}, {6, 3, "C", {}},
        {6, 4, "0.999988425925926", "h:mm:ss AM/PM"}, {6, 5, "40669.6011111111", "yyyy-mm-dd hh:mm:ss"},
        {7, 1, "100000", general}, {7, 2, "0.1", general}, {7, 3, "A", {}},
        {7, 4, "1.15740740740741E-05", "[h]:mm:ss"}, {7, 5, "5/6/2011", {}},
        {8, 1, "end", {}},
    };
    const QString xls = path("foreign.xls");
    MakeForeignWorkbook(cells, xls, path("scratch"));
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    ASSERT_EQ(st.SampleCount, 3u);
    const QString day = ShortDateText(QDate(2011, 5, 6));
    EXPECT_EQ(GridRow(st, 1), (QStringList{"1", "59.8", "A", LongTimeText(QTime(10, 0, 0)), day}));
    EXPECT_EQ(GridRow(st, 2), (QStringList{"2", "60.1", "C", LongTimeText(QTime(23, 59, 59)), day + ' ' + LongTimeText(QTime(14, 25, 36))}));
    EXPECT_EQ(GridRow(st, 3), (QStringList{"100000", "0.1", "A", LongTimeText(QTime(0, 0, 1)), "5/6/2011"}));
    EXPECT_EQ(st.Stats.count(), 3u);
    EXPECT_FLOAT_EQ(st.MaxLevel, 60.1f);
    EXPECT_FLOAT_EQ(st.MinLevel, 0.1f);
}

TEST_F(Calc, ALevelThatIsNoFiniteNumberEndsTheImport)
{
    for (const char* level : {"nan", "inf", "1e999", "1,234.5"}) {
        SCOPED_TRACE(level);
        dialogs.shown.clear();
        const QString general = QStringLiteral("General");
        MakeForeignWorkbook({{1, 1, "x", {}}, {5, 1, "1", general}, {5, 2, "50.5", general}, {6, 1, "2", general},
                             {6, 2, QString::fromLatin1(level), {}}, {7, 1, "3", general}, {7, 2, "52", general}, {8, 1, "end", {}}},
                            path("bad.xls"), path("scratch"));
        importFile(path("bad.xls"));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("'%1' is not a valid floating point value.").arg(QString::fromLatin1(level)));
        EXPECT_EQ(st.SampleCount, 1u);
        EXPECT_EQ(st.Stats.count(), 1u);
        EXPECT_TRUE(std::isfinite(st.Stats.leq()) && std::isfinite(st.Stats.max()));
    }
}

TEST_F(Calc, AFailedExportLeavesTheTargetAsItWas)
{
    addSample("50.0", 'A', QTime(14, 3, 27));
    const QByteArray precious("the user's own workbook");
    struct Case {
        const char* what;
        std::function<void(OfficeSetup&)> breakIt;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"template missing", [&](OfficeSetup&) { QFile::remove(path("Export.pelzo")); }, MsgNoExcelFile},
        {"no office", [](OfficeSetup& o) { o.soffice = QStringLiteral("/nonexistent/soffice"); }, MsgCannotOpenExcel},
    };
    const QByteArray templateBytes = FileBytes(path("Export.pelzo"));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        dialogs.shown.clear();
        QFile::remove(path("Export.pelzo"));
        {
            QFile t(path("Export.pelzo"));
            ASSERT_TRUE(t.open(QIODevice::WriteOnly));
            t.write(templateBytes);
        }
        const QString target = path("keep.xls");
        QFile t(target);
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write(precious);
        t.close();
        OfficeSetup o = office;
        k.breakIt(o);
        ExportSpreadsheet(core, target, o);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        if (!k.shown.isEmpty()) EXPECT_EQ(dialogs.shown[0].text, k.shown);
        EXPECT_EQ(FileBytes(target), precious);
        EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".keep*")}, QDir::Files | QDir::Hidden), QStringList{}) << "a half-made workbook is left";
    }
}

TEST_F(Calc, AnExportOverAnOldFileKeepsItsPermissions)
{
    addSample("61.2", 'A', QTime(14, 3, 27));
    const QString target = path("shared.xls");
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("old");
    t.close();
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(target, mode));
    ExportSpreadsheet(core, target, office);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(IsCompoundFile(target));
    EXPECT_EQ(QFile::permissions(target), mode);
    EXPECT_EQ(rows(target)[4].mid(0, 2), (QStringList{"1", "61.2"}));
}

TEST_F(Calc, ImportOfThousandsOfRowsAndShortSheets)
{
    QString csv = QStringLiteral("x\n\n\nh\n");
    for (int i = 1; i <= 5001; ++i) csv += QStringLiteral("%1,%2.%3,C,,\n").arg(i).arg(40 + i % 80).arg(i % 10);
    const QString xls = path("big.xls");
    MakeWorkbook(csv, xls, path("scratch"));
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(st.SampleCount, 5000u);
    EXPECT_EQ(GridRow(st, 5000), (QStringList{"5000", "80", "C", "", ""}));
    EXPECT_EQ(st.Series_rec.count(), 5000u);

    // Five used rows or fewer: nothing loaded.
    ClearViews(st);
    MakeWorkbook(QStringLiteral("x\n\n\nh\n1,50,A,t,d\n"), xls, path("scratch"));
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(st.SampleCount, 0u);
    EXPECT_EQ(st.Grid.rowCount(), 1);
}

TEST_F(Calc, FilesThatAreNotWorkbooks)
{
    // Not there at all.
    importFile(path("none.xls"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgAppChangedOrLost);
    EXPECT_EQ(dialogs.shown[0].caption, CaptionInfo);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(st.SampleCount, 0u);

    // Bytes that are no workbook at all: the office's own complaint, nothing loaded.
    dialogs.shown.clear();
    {
        QFile junk(path("junk.xls"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        QByteArray bytes(70000, '\0');
        for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919) % 251);
        junk.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + bytes);
    }
    importFile(path("junk.xls"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(st.SampleCount, 0u);
    EXPECT_EQ(st.Grid.rowCount(), 1);

    // A folder: the office cannot open it, and says so.
    dialogs.shown.clear();
    QDir().mkpath(path("folder.xls"));
    importFile(path("folder.xls"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_FALSE(dialogs.shown[0].text.isEmpty());
    EXPECT_EQ(st.SampleCount, 0u);
}

TEST_F(Calc, WithoutTheOfficeThePartsMessagesAppear)
{
    addSample("50.0", 'A', QTime(14, 3, 27));
    MakeWorkbook(QStringLiteral("x\n\n\nh\n1,50,A,t,d\n2,50,A,t,d\n"), path("in.xls"), path("scratch"));
    struct Case {
        const char* what;
        QString plugin, soffice;
    };
    const std::vector<Case> cases = {
        {"no soffice on PATH", office.plugin, QString()},
        {"soffice path gone", office.plugin, path("no/soffice")},
        {"plugin missing", path("no/libpelzo_calc.so"), office.soffice},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        if (st.SampleCount == 0) addSample("50.0", 'A', QTime(14, 3, 27));
        OfficeSetup o = office;
        o.plugin = k.plugin;
        o.soffice = k.soffice;
        dialogs.shown.clear();
        ExportSpreadsheet(core, path("out.xls"), o);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, MsgCannotOpenExcel);
        EXPECT_EQ(dialogs.shown[0].caption, CaptionInfoBlanks);
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
        EXPECT_FALSE(QFileInfo::exists(path("out.xls"))) << "only a whole workbook reaches the target";
        EXPECT_EQ(st.SampleCount, 1u) << "a failed export never changes the views";

        dialogs.shown.clear();
        importFile(path("in.xls"), o);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, MsgCannotStartExcel);
        EXPECT_EQ(dialogs.shown[0].caption, CaptionInfo);
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    }
    EXPECT_TRUE(dialogs.progress.empty());
}

TEST_F(Calc, MissingTemplate)
{
    addSample("50.0", 'A', QTime(14, 3, 27));
    QFile::remove(path("Export.pelzo"));
    ExportSpreadsheet(core, path("out.xls"), office);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgNoExcelFile);
    EXPECT_EQ(dialogs.shown[0].caption, CaptionInfoBlanks);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::None);
    EXPECT_FALSE(QFileInfo::exists(path("out.xls")));
}

TEST_F(Calc, AnOfficeThatNeverAnswersIsKilled)
{
    // Stands in for a hung office: it starts, writes its pid and never opens the pipe.
    const QString fake = path("soffice");
    {
        QFile f(fake);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho $$ > '%1'\nexec sleep 600\n").arg(path("pid")).toUtf8());
    }
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    OfficeSetup o = office;
    o.soffice = fake;
    o.startTimeoutMs = 1500;
    addSample("50.0", 'A', QTime(14, 3, 27));
    ExportSpreadsheet(core, path("out.xls"), o);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgCannotOpenExcel);
    QFile pidFile(path("pid"));
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const qint64 pid = pidFile.readAll().trimmed().toLongLong();
    EXPECT_FALSE(ProcessAlive(pid)) << "the office's process group is killed";
}

}  // namespace

namespace {

// Freezes the office behind the export at its first pause, as a hung office would be.
class FreezingPause final : public Pause {
public:
    explicit FreezingPause(QString profileRoot) : root_(std::move(profileRoot)) {}
    std::vector<qint64> frozen;
    void pause(int) override
    {
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool isPid = false;
            const qint64 pid = entry.toLongLong(&isPid);
            if (!isPid) continue;
            QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(entry));
            if (cmd.open(QIODevice::ReadOnly) && cmd.readAll().contains(root_.toUtf8()) && ::kill(pid_t(pid), SIGSTOP) == 0) frozen.push_back(pid);
        }
    }

private:
    QString root_;
};

TEST_F(Calc, AnOfficeThatHangsDuringACallIsKilled)
{
    FreezingPause freeze(path("office"));
    Core frozenCore{st, usb, dialogs, clock, timer, freeze};
    OfficeSetup o = office;
    o.callTimeoutMs = 3000;
    addSample("50.0", 'A', QTime(14, 3, 27));
    // The office dies in the middle of filling the new workbook: the old one stays as it was.
    {
        QFile old(path("out.xls"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the user's own workbook");
    }
    ExportSpreadsheet(frozenCore, path("out.xls"), o);
    EXPECT_EQ(FileBytes(path("out.xls")), QByteArray("the user's own workbook"));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".out*")}, QDir::Files | QDir::Hidden), QStringList{});
    ASSERT_FALSE(freeze.frozen.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("LibreOffice did not answer within 3 s and was stopped."));
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    for (qint64 pid : freeze.frozen) EXPECT_FALSE(ProcessAlive(pid)) << pid;
    EXPECT_EQ(st.SampleCount, 1u);
}

}  // namespace

namespace {

TEST_F(Calc, MoreRowsThanTheFileFormatHoldsAreRefusedNotCut)
{
    // Rows 5 to 65,536 are the most the legacy format holds: 65,531 samples and the empty row.
    auto fill = [&](uint32_t n) {
        ClearViews(st);
        for (uint32_t k = 1; k <= n; ++k) {
            st.Grid.setSampleRow(int(k), 500 + int(k % 300), 'A', QTime(0, 0).addSecs(int(k % 86400)), QDate(2011, 5, 6));
            AddFileValue(st, 50.0f + float(k % 300) / 10.0f, k == 1);
        }
        st.Grid.setRowCount(int(n) + 1);
        st.SampleCount = n;
    };
    fill(65532);
    const QString xls = path("huge.xls");
    ExportSpreadsheet(core, xls, office);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("The workbook would reach row 65537, column 5; its file format holds at most 65536 rows "
                                                    "and 256 columns. It was not saved."));
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_FALSE(QFileInfo::exists(xls)) << "neither a cut table nor a bare template reaches the target";

    fill(65531);
    dialogs.shown.clear();
    ExportSpreadsheet(core, xls, office);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    importFile(xls);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(st.SampleCount, 65531u);
    EXPECT_EQ(st.Grid.cell(0, 65531), QStringLiteral("65531"));
}

}  // namespace
