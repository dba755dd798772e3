#include "app/mainstate.h"
#include "files/openfile.h"
#include "files/record.h"
#include "monitor/monitor.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace pelzo;
using namespace pelzo::test;

namespace {

ReadingTexts Texts(int tenths)
{
    ReadingTexts t;
    t.tenths = tenths;
    t.Level = TenthsText(tenths);
    t.Weighting = "A";
    t.Speed = "FAST";
    t.Range = "6";
    t.timeValue = QTime(10, 0, 0);
    t.dateValue = QDate(2026, 12, 10);
    t.Time = LongTimeText(t.timeValue);
    t.Date = ShortDateText(t.dateValue);
    return t;
}

using Fixture = CoreFixture;

}  // namespace

TEST(Views, StartValues)
{
    MainState st;
    EXPECT_FALSE(st.Recording);
    EXPECT_EQ(st.SampleCount, 0u);
    EXPECT_EQ(st.ColorRec, MakeRgb(0, 0, 255));
    EXPECT_EQ(st.ColorMax, MakeRgb(255, 0, 0));
    EXPECT_EQ(st.ColorMin, MakeRgb(0, 128, 0));
    EXPECT_EQ(st.MeterSetup, 0);
    EXPECT_TRUE(st.TextYear.isEmpty() && st.TextSecond.isEmpty());
    EXPECT_EQ(st.Label_DB, " 30.0");
    EXPECT_EQ(st.Label_LcdStart, "30");
    EXPECT_EQ(st.Label_LcdEnd, "130");
    EXPECT_EQ(st.LabelAC, "A");
    EXPECT_EQ(st.Label4, "129.9");
    EXPECT_EQ(st.Series1.value, 120);
    EXPECT_EQ(st.Axis.min, 0);
    EXPECT_EQ(st.Axis.max, 300);
    EXPECT_EQ(st.Grid.cell(0, 0), "REC");
    EXPECT_EQ(st.Grid.cell(4, 0), "Date");
}

TEST(Views, RunningMaximumAndMinimum)
{
    MainState st;
    EXPECT_EQ(st.Grid.rowCount(), 15);  // the table's start size
    ClearViews(st);
    const int levels[] = {500, 555, 500, 499};
    const float maxs[] = {50.0f, 55.5f, 55.5f, 55.5f};
    const float mins[] = {50.0f, 50.0f, 50.0f, 49.9f};
    for (int i = 0; i < 4; ++i) {
        AddSampleToViews(st, uint32_t(i + 1), float(levels[i]) / 10.0f, Texts(levels[i]));
        EXPECT_FLOAT_EQ(st.MaxLevel, maxs[i]);
        EXPECT_FLOAT_EQ(st.MinLevel, mins[i]);
    }
    EXPECT_EQ(st.Grid.rowCount(), 5);
    EXPECT_EQ(st.Series_rec.count(), 4u);
    EXPECT_EQ(st.Series_max.y[3], double(55.5f));
    EXPECT_EQ(st.Series_min.y[3], double(49.9f));
    EXPECT_EQ(st.Grid.cell(0, 2), "2");
    EXPECT_EQ(st.Grid.cell(1, 2), "55.5");
    EXPECT_EQ(st.Grid.cell(2, 2), "A");
    EXPECT_EQ(st.Grid.cell(3, 2), LongTimeText(QTime(10, 0, 0)));
    EXPECT_EQ(st.Grid.cell(4, 2), ShortDateText(QDate(2026, 12, 10)));

    // A new first sample sets both again, whatever came before.
    st.SampleCount = 4;
    ClearViews(st);
    EXPECT_EQ(st.SampleCount, 0u);
    EXPECT_EQ(st.Grid.rowCount(), 1);
    EXPECT_TRUE(st.Grid.cell(1, 1).isEmpty());
    EXPECT_EQ(st.Grid.cell(1, 0), "dB");
    EXPECT_EQ(st.Series_rec.count(), 0u);
    EXPECT_FLOAT_EQ(st.MaxLevel, 55.5f);  // kept until the next first value
    AddSampleToViews(st, 1, 60.0f, Texts(600));
    EXPECT_FLOAT_EQ(st.MaxLevel, 60.0f);
    EXPECT_FLOAT_EQ(st.MinLevel, 60.0f);
}

TEST(Views, SummaryCutsStatisticsToIntegers)
{
    MainState st;
    st.LiveTexts = Texts(598);
    st.MaxLevel = 61.9f;
    st.MinLevel = 45.2f;
    EXPECT_EQ(SummaryText(st), QString::fromUtf8("日期: ") + st.LiveTexts.Date + QString::fromUtf8("  时间: ") +
                                   st.LiveTexts.Time +
                                   QString::fromUtf8("  数值: 59.8 分贝  最大值: 61 分贝  最小值: 45 分贝"));
}

TEST(Views, EditedCellsAreKeptAndHeaderSurvivesClear)
{
    MainState st;
    AddSampleToViews(st, 1, 59.8f, Texts(598));
    st.Grid.setCell(1, 1, "edited");
    EXPECT_EQ(st.Grid.cell(1, 1), "edited");
    EXPECT_EQ(st.Grid.cell(2, 1), "A");
    st.SampleCount = 1;
    ClearViews(st);
    EXPECT_TRUE(st.Grid.cell(1, 1).isEmpty());
    EXPECT_EQ(st.Grid.cell(0, 0), "REC");
}

TEST(Recording, StartWithoutMeterKeepsAnEmptyFile)
{
    QTemporaryDir dir;
    Fixture f;
    f.st.AppDir = dir.path();
    ToolButton3Click(f.core);
    ASSERT_TRUE(f.st.Recording);
    // The name comes from today even before the first tick.
    EXPECT_EQ(QFileInfo(f.st.RecFileName).fileName(), "BE6O0327.pzo");
    // No meter on this machine's bus under test: ticks record nothing and show no message.
    const TickResult r = Timer1STimer(f.core);
    EXPECT_FALSE(r.linked);
    EXPECT_EQ(f.st.LabelUSBState, UsbUnlinkedText);
    EXPECT_EQ(f.st.SampleCount, 0u);
    EXPECT_TRUE(f.timer.enabled());
    EXPECT_EQ(QFileInfo(f.st.RecFileName).size(), 0);
    EXPECT_TRUE(f.dialogs.shown.empty());
    ToolButton3Click(f.core);
    EXPECT_FALSE(f.st.Recording);
    EXPECT_TRUE(f.st.RecFile);  // stays open for a save
}

TEST(Recording, UnwritableFolderDoesNotStart)
{
    Fixture f;
    f.st.AppDir = "/nonexistent";
    ToolButton3Click(f.core);
    EXPECT_FALSE(f.st.Recording);
    EXPECT_EQ(f.dialogs.shown.size(), 1u);
}

TEST(OpenRecord, LoadsRowsWithNameDate)
{
    QTemporaryDir dir;
    Fixture f;
    const QString path = dir.filePath("be6o0327.pzo");
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromHex("2a2d3273ffffffff0a000000") + "\x01\x02");
    }
    f.st.OpenFileName = "  " + path + "\n";
    OpenFileIntoViews(f.core);
    EXPECT_EQ(f.st.OpenFileName, path);
    EXPECT_EQ(f.st.SampleCount, 3u);
    EXPECT_EQ(f.st.Grid.rowCount(), 4);
    const QString date = ShortDateText(QDate(2011, 5, 6));
    EXPECT_EQ(f.st.Grid.cell(1, 1), "59.8");
    EXPECT_EQ(f.st.Grid.cell(2, 1), "C");
    EXPECT_EQ(f.st.Grid.cell(3, 1), LongTimeText(QTime(14, 25, 36)));
    EXPECT_EQ(f.st.Grid.cell(4, 3), date);
    EXPECT_EQ(f.st.Grid.cell(1, 3), "31.0");
    EXPECT_FLOAT_EQ(f.st.MaxLevel, 132.3f);
    EXPECT_FLOAT_EQ(f.st.MinLevel, 31.0f);
    EXPECT_EQ(f.st.Series_min.count(), 3u);
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(OpenRecord, Failures)
{
    QTemporaryDir dir;
    {
        Fixture f;
        f.st.OpenFileName = dir.filePath("BBU00000.pzo");  // 30 February
        QFile(f.st.OpenFileName).open(QIODevice::WriteOnly);
        OpenFileIntoViews(f.core);
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].text, "Invalid argument to date encode.");
        EXPECT_EQ(f.dialogs.shown[0].icon, Icon::Error);
    }
    {
        Fixture f;
        f.st.OpenFileName = dir.filePath("BE6O0327.pzo");  // does not exist
        AddSampleToViews(f.st, 1, 50, Texts(500));
        f.st.SampleCount = 1;
        OpenFileIntoViews(f.core);
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].text, " 不能读取文件 ");
        EXPECT_EQ(f.dialogs.shown[0].caption, "警告信息");
        EXPECT_EQ(f.dialogs.shown[0].buttons, Ok | Cancel);
        EXPECT_EQ(f.st.Grid.rowCount(), 1);  // emptied
    }
    {
        // The first "." of the name gives kind "201": nothing happens.
        Fixture f;
        f.st.OpenFileName = dir.filePath("rec.2011.pzo");
        AddSampleToViews(f.st, 1, 50, Texts(500));
        f.st.SampleCount = 1;
        OpenFileIntoViews(f.core);
        EXPECT_TRUE(f.dialogs.shown.empty());
        EXPECT_EQ(f.st.SampleCount, 1u);
    }
}

TEST(FileKind, FirstDotOfTheFileName)
{
    EXPECT_EQ(FileKindText("BE6O0327.PZO"), "pzo");
    EXPECT_EQ(FileKindText("abc.xlsx"), "xls");
    EXPECT_EQ(FileKindText("abc.txt.bak"), "txt");
    EXPECT_EQ(FileKindText("/a/rec.2011/x.pzo"), "pzo");
    EXPECT_EQ(FileKindText("/a/rec.2011.pzo"), "201");
    EXPECT_EQ(FileKindText("PZOfile"), "pzo");
}
