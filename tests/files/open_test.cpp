#include "harness.h"

#include "app/commands.h"
#include "files/commands.h"
#include "files/fileio.h"
#include "files/openfile.h"
#include "files/text.h"

#include <QDir>

#include <unistd.h>

namespace pelzo::test {
namespace {

const QByteArray TwoSamples = Words({0x73322D2A, 0x73342D2B});

// Views holding one earlier sample, to see whether a load touched them.
void FillOneRow(Harness& h)
{
    ClearViews(h.st);
    ASSERT_TRUE(ParseTextFile(h.core, "1\t77.7\tA\tt\td\t"));
    ASSERT_EQ(h.st.SampleCount, 1u);
}

TEST(OpenFile, KindComesFromTheFirstDotOfTheFileName)
{
    struct C {
        const char* path;
        const char* kind;
    };
    for (const C& c : std::vector<C>{{"BE6O0327.PZO", "pzo"}, {"abc.xlsx", "xls"}, {"abc.txt.bak", "txt"},
                                     {"/home/u/rec.2011/BE6O0327.pzo", "pzo"},
                                     {"/home/j.smith/.local/share/pelzo/BE6O0327.pzo", "pzo"},
                                     {"./rec.2011.pzo", "201"}, {"/a.b/abcdef", "abc"}, {"abcdef", "abc"}, {"ab", "ab"},
                                     {"a.", ""}, {"/x.y/", ""}, {"", ""}}) {
        EXPECT_EQ(FileKindText(QString::fromLatin1(c.path)), QString::fromLatin1(c.kind)) << c.path;
    }
}

TEST(OpenFile, UpperCaseRecordNameLoadsAsRecord)
{
    Harness h;
    h.write(QStringLiteral("BE6O0327.PZO"), TwoSamples + QByteArray("\x01\x02\x03", 3));  // 3 bytes ignored
    h.st.OpenFileName = h.path(QStringLiteral("BE6O0327.PZO"));
    OpenFileIntoViews(h.core);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.st.SampleCount, 2u);
    EXPECT_EQ(h.st.Grid.rowCount(), 3);
    EXPECT_EQ(RowCells(h.st, 1), (std::vector<QString>{QStringLiteral("1"), QStringLiteral("59.8"), QStringLiteral("C"),
                                                       LongTimeText(QTime(14, 25, 36)), ShortDateText(QDate(2011, 5, 6))}));
    EXPECT_EQ(h.st.FileTexts.Level, QStringLiteral("59.9"));
}

TEST(OpenFile, OtherKindsDoNothingAtAll)
{
    Harness h;
    h.write(QStringLiteral("rec.2011.pzo"), TwoSamples);
    h.write(QStringLiteral("noext"), TwoSamples);
    FillOneRow(h);
    for (const char* name : {"rec.2011.pzo", "noext", "data.bin"}) {
        h.st.OpenFileName = h.path(QString::fromLatin1(name));
        OpenFileIntoViews(h.core);
        EXPECT_EQ(h.st.SampleCount, 1u) << name;
        EXPECT_EQ(h.st.Grid.cell(1, 1), QStringLiteral("77.7")) << name;
    }
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(OpenFile, RecordFailuresEmptyTheViewsAndSaySo)
{
    struct C {
        const char* name;
        bool create;
        const char* text;
        const char* caption;
        int buttons;
        Icon icon;
    };
    const std::vector<C> cases = {
        {"BE6O0327.pzo", false, " 不能读取文件 ", "警告信息", Ok | Cancel, Icon::None},
        {"BBU00000.pzo", true, "Invalid argument to date encode.", "Pelzo Sound Link 1v2c", Ok, Icon::Error},
        // Names of eight characters: the date comes from the eight before the path's first dot,
        // so a shorter name would take some from the random folder name.
        {"BE6O0328.pzo", false, " 不能读取文件 ", "警告信息", Ok | Cancel, Icon::None},  // a folder
        {"BE6O0329.pzo", true, " 不能读取文件 ", "警告信息", Ok | Cancel, Icon::None},   // too big
    };
    for (const C& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        if (c.create) h.write(QString::fromLatin1(c.name), TwoSamples);
        if (QString::fromLatin1(c.name) == QLatin1String("BE6O0328.pzo")) QDir(h.dir.path()).mkdir(QStringLiteral("BE6O0328.pzo"));
        if (QString::fromLatin1(c.name) == QLatin1String("BE6O0329.pzo"))
            ASSERT_EQ(::truncate(QFile::encodeName(h.path(QStringLiteral("BE6O0329.pzo"))).constData(), off_t(MaxLoadBytes) + 4), 0);
        FillOneRow(h);
        h.st.OpenFileName = h.path(QString::fromLatin1(c.name));
        OpenFileIntoViews(h.core);
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(h.dialogs.shown[0].caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(h.dialogs.shown[0].buttons, c.buttons);
        EXPECT_EQ(h.dialogs.shown[0].icon, c.icon);
        EXPECT_EQ(h.st.SampleCount, 0u);
        EXPECT_EQ(h.st.Grid.rowCount(), 1);
        EXPECT_EQ(h.st.Series_rec.count(), 0u);
    }
}

TEST(OpenFile, EmptyRecordLoadsNoRowAndThereIsNothingToSave)
{
    Harness h;
    h.write(QStringLiteral("BE6O0327.pzo"), QByteArray());
    FillOneRow(h);
    h.st.OpenFileName = h.path(QStringLiteral("BE6O0327.pzo"));
    OpenFileIntoViews(h.core);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.st.SampleCount, 0u);
    EXPECT_EQ(h.st.Grid.rowCount(), 1);
    ToolButton2Click(h.core);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8("没有数据要保存!"));
    EXPECT_EQ(h.dialogs.shown[0].caption, AppTitle);
    EXPECT_TRUE(h.dialogs.saveFilters.empty());
}

TEST(OpenFile, RecordLoadEndsARunningRecordingAndClosesItsFile)
{
    Harness h;
    h.write(QStringLiteral("BE6O0327.pzo"), TwoSamples);
    ToolButton3Click(h.core);
    ASSERT_TRUE(h.st.Recording);
    h.recordSample(0x6B322D2A);
    const QString live = h.st.RecFileName;

    // The card window's path: no question about the recording.
    h.st.OpenFileName = h.path(QStringLiteral("BE6O0327.pzo"));
    OpenFileIntoViews(h.core);
    EXPECT_FALSE(h.st.Recording);
    EXPECT_EQ(h.st.RecFile, nullptr);
    EXPECT_EQ(h.st.RecFileName, live);
    EXPECT_EQ(h.st.SampleCount, 2u);
    // A later tick's append writes nothing anywhere.
    h.st.CurSample = 0x11111111;
    EXPECT_TRUE(AppendSample(h.st));
    EXPECT_EQ(h.st.SampleCount, 2u);
    QFile f(live);
    EXPECT_EQ(f.size(), 4);
}

TEST(OpenFile, TextLoadDuringARecordingEndsItButKeepsItsFile)
{
    Harness h;
    h.write(QStringLiteral("a.txt"), "1\t50.0\tA\tt\td\t2\t51.0\tA\tt\td\t3\t52.0\tA\tt\td\t");
    ToolButton3Click(h.core);
    h.recordSample(0x6B322D2A);
    h.st.OpenFileName = h.path(QStringLiteral("a.txt"));
    OpenFileIntoViews(h.core);
    EXPECT_FALSE(h.st.Recording);
    EXPECT_NE(h.st.RecFile, nullptr);
    EXPECT_EQ(h.st.SampleCount, 3u);
    // The live file was not written at the loaded row count.
    EXPECT_EQ(QFile(h.st.RecFileName).size(), 4);
}

TEST(OpenCommand, RefusedWhileRecording)
{
    Harness h;
    ToolButton3Click(h.core);
    h.recordSample(0x6B322D2A);
    h.dialogs.openAnswers = {h.path(QStringLiteral("x.txt"))};
    ToolButton1Click(h.core);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8("正在记录数据,请先停止记录!"));
    EXPECT_EQ(h.dialogs.shown[0].buttons, Cancel);
    EXPECT_EQ(h.dialogs.shown[0].icon, Icon::Warning);
    EXPECT_TRUE(h.dialogs.openFilters.empty());
    EXPECT_TRUE(h.st.Recording);
    EXPECT_EQ(h.st.SampleCount, 1u);
    EXPECT_EQ(h.st.Series_rec.count(), 1u);
}

TEST(OpenCommand, ShowsTheFilterLoadsTheChoiceAndLeavesTheTimer)
{
    Harness h;
    h.write(QStringLiteral("a.txt"), "1\t50.0\tA\tt\td\t");
    FillOneRow(h);
    ToolButton1Click(h.core);  // cancelled
    EXPECT_EQ(h.st.Grid.cell(1, 1), QStringLiteral("77.7"));
    h.dialogs.openAnswers = {h.path(QStringLiteral("a.txt"))};
    ToolButton1Click(h.core);
    ASSERT_EQ(h.dialogs.openFilters.size(), 2u);
    EXPECT_EQ(h.dialogs.openFilters[0],
              QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件        [*.txt]|*.txt|电子表格文件[*.xls]|*.xls"));
    EXPECT_EQ(h.st.OpenFileName, h.path(QStringLiteral("a.txt")));
    EXPECT_EQ(h.st.Grid.cell(1, 1), QStringLiteral("50.0"));
    EXPECT_TRUE(h.timer.enabled());
    EXPECT_TRUE(h.dialogs.shown.empty());
}

}  // namespace
}  // namespace pelzo::test
