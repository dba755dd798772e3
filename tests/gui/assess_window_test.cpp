// The assessment window: opened from the statistics in the status strip, live while recording,
// the alarm in the window and the strip, the rule boxes, the report through the save dialog and
// opened files.
#include "tests/assess/recordfixture.h"
#include "tests/gui/fixture.h"

#include "files/openfile.h"

#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace pelzo::test {
namespace {

class AssessWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        MakeForm();
    }
    // A recorded sample as the tick adds it.
    void Record(double level, QTime t)
    {
        MainState& s = st();
        s.Recording = true;
        s.UsbLinked = true;
        ReadingTexts x;
        x.tenths = int(std::lround(level * 10));
        x.Level = TenthsText(x.tenths);
        x.Weighting = QStringLiteral("A");
        x.timeValue = t;
        x.dateValue = QDate(2026, 3, 4);
        s.SampleCount += 1;
        AddSampleToViews(s, s.SampleCount, float(level), x);
        form->ShowState();
    }
    AssessWindow* OpenByClick()
    {
        auto* label = Find<QLabel>(form.get(), "LabelStats");
        QTest::mouseClick(label, Qt::LeftButton);
        return form->assessLink()->window();
    }
    static QString Cell(QWidget* w, const char* table, int row, int col)
    {
        auto* t = Find<QTableWidget>(w, table);
        return t && t->item(row, col) ? t->item(row, col)->text() : QString();
    }
    QString StripText() { return Find<QLabel>(form.get(), "LabelStats")->text(); }
};

TEST_F(AssessWindowTest, ClickOnStatisticsOpensItBesideTheUnchangedToolbar)
{
    AssessWindow* w = OpenByClick();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("噪声评估"));
    EXPECT_EQ(Find<QWidget>(form.get(), "ToolBar1")->findChildren<QToolButton*>().size(), 8);
    EXPECT_EQ(Find<QDoubleSpinBox>(w, "Threshold")->value(), 85.0);
    EXPECT_EQ(Find<QSpinBox>(w, "MinSeconds")->value(), 1);
    EXPECT_EQ(Cell(w, "LevelTable", 0, 1), QString::fromUtf8("—"));  // nothing recorded yet
    w->close();
    EXPECT_EQ(OpenByClick(), w);  // the same window comes back
}

TEST_F(AssessWindowTest, FollowsTheRecordingTickByTickWithAlarm)
{
    AssessWindow* w = OpenByClick();
    Record(70.0, QTime(23, 59, 58));
    Record(72.0, QTime(23, 59, 59));
    EXPECT_EQ(Cell(w, "LevelTable", 1, 1), QStringLiteral("72.0"));
    EXPECT_FALSE(Find<QLabel>(w, "Alarm")->isVisible());
    EXPECT_FALSE(StripText().contains(QString::fromUtf8("报警")));

    Record(90.0, QTime(0, 0, 0));  // after midnight, over 85 dB
    auto* alarm = Find<QLabel>(w, "Alarm");
    EXPECT_TRUE(alarm->isVisible());
    EXPECT_EQ(alarm->text(), assess::AlarmText(90.0, 85.0));
    EXPECT_TRUE(StripText().startsWith(assess::AlarmText(90.0, 85.0)));
    EXPECT_TRUE(StripText().contains(StatsLine(st().Stats)));
    EXPECT_EQ(Cell(w, "LevelTable", 1, 2), QStringLiteral("2026-03-05 00:00:00"));

    auto* hours = Find<QTableView>(w, "HourTable");
    ASSERT_EQ(hours->model()->rowCount(), 2);
    EXPECT_EQ(hours->model()->index(1, 0).data().toString(), QStringLiteral("2026-03-05 00:00:00"));
    auto* events = Find<QTableView>(w, "EventTable");
    ASSERT_EQ(events->model()->rowCount(), 1);  // still going on
    Record(91.0, QTime(0, 0, 1));
    EXPECT_EQ(events->model()->index(0, 2).data().toString(), QStringLiteral("2"));
    Record(60.0, QTime(0, 0, 2));
    EXPECT_FALSE(alarm->isVisible());

    // A higher threshold: no event, and the alarm follows the box.
    Find<QDoubleSpinBox>(w, "Threshold")->setValue(95);
    EXPECT_EQ(events->model()->rowCount(), 0);
    EXPECT_TRUE(Find<QLabel>(w, "EventTitle")->text().contains(QStringLiteral("95.0")));
    Record(96.0, QTime(0, 0, 3));
    EXPECT_EQ(events->model()->rowCount(), 1);
    EXPECT_TRUE(StripText().startsWith(assess::AlarmText(96.0, 95.0)));
    Find<QSpinBox>(w, "MinSeconds")->setValue(2);
    EXPECT_EQ(events->model()->rowCount(), 0);

    st().Recording = false;  // stopped: no alarm any more
    form->ShowState();
    EXPECT_FALSE(alarm->isVisible());
    EXPECT_FALSE(StripText().contains(QString::fromUtf8("报警")));
}

TEST_F(AssessWindowTest, StatusStripAlarmsAtDefaultThresholdWithoutTheWindow)
{
    Record(85.0, QTime(8, 0, 0));
    EXPECT_TRUE(StripText().startsWith(assess::AlarmText(85.0, 85.0)));
    EXPECT_EQ(form->assessLink()->window(), nullptr);
}

TEST_F(AssessWindowTest, OpenedFileAndReportThroughTheSaveDialog)
{
    const QString path = WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(6, 0, 0)), {{80, 3600}, {88, 7200}});
    AssessWindow* w = OpenByClick();
    Record(50.0, QTime(1, 0, 0));  // a recording first; the file replaces it
    st().Recording = false;
    st().OpenFileName = path;
    OpenFileIntoViews(form->core());
    form->ShowState();
    EXPECT_EQ(Cell(w, "RecordingTable", 0, 1), QFileInfo(path).fileName());
    EXPECT_EQ(Cell(w, "RecordingTable", 4, 1), QStringLiteral("10800"));
    EXPECT_EQ(Find<QTableView>(w, "HourTable")->model()->rowCount(), 3);
    EXPECT_EQ(Cell(w, "PeriodTable", 0, 2), QStringLiteral("88.0"));  // 07-09 at 88
    EXPECT_EQ(Find<QTableView>(w, "EventTable")->model()->rowCount(), 1);

    // The name gets ".pdf"; a cancelled dialog writes nothing; a failed write says so.
    dialogs.saveAnswers.push_back(SaveChoice{dir.filePath(QStringLiteral("shift")), 1});
    dialogs.saveAnswers.push_back(std::nullopt);
    dialogs.saveAnswers.push_back(SaveChoice{dir.filePath(QStringLiteral("no/such/r.pdf")), 1});
    auto* save = Find<QPushButton>(w, "SaveReport");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_GT(QFileInfo(dir.filePath(QStringLiteral("shift.pdf"))).size(), 1000);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown.empty());
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QString::fromUtf8("无法写入报告文件: ") + dir.filePath(QStringLiteral("no/such/r.pdf")));
}

}  // namespace
}  // namespace pelzo::test
