// Start, ticks and stop through the toolbar against the virtual meter and the real libusb.
#include "tests/gui/fixture.h"

#include "monitor/monitor.h"
#include "vmeter/virtualmeter.h"

#include <QFileInfo>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <qcustomplot.h>

#include <usb.h>

namespace pelzo::test {
namespace {

class MeterWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        vm = std::make_unique<vmeter::VirtualMeter>();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        vm.reset();
        // libusb 0.1 keeps the devices it has seen: let it forget this meter.
        usb_find_busses();
        usb_find_devices();
    }
    QString label(const char* name) { return Find<QLabel>(form.get(), name)->text(); }
    void clickRecord() { QTest::mouseClick(form->toolButton(2), Qt::LeftButton); }

    std::unique_ptr<vmeter::VirtualMeter> vm;
};

TEST_F(MeterWindowTest, StartThreeTicksAndStop)
{
    vm->setLevels({59.8, 61.9, 45.2});
    MakeForm();
    EXPECT_TRUE(st().UsbLinked);  // found while the window was built
    EXPECT_EQ(label("Label_DB"), QStringLiteral(" 30.0"));

    clickRecord();
    ASSERT_TRUE(st().Recording);
    const QString recFile = st().RecFileName;
    EXPECT_TRUE(QFileInfo(recFile).absolutePath() == dir.path()) << recFile.toStdString();
    EXPECT_EQ(form->stringGrid()->model()->rowCount(), 0);
    EXPECT_EQ(label("Label4"), QStringLiteral("129.9"));  // starting changes no readout
    for (int i = 0; i < 3; ++i) form->Timer1STimer();
    clickRecord();
    EXPECT_FALSE(st().Recording);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(QLatin1Char('|')).toStdString();

    EXPECT_EQ(label("LabelUSBState"), UsbLinkedText);
    EXPECT_EQ(label("Label_DB"), QStringLiteral(" 45.2"));
    EXPECT_EQ(label("Label4"), QStringLiteral(" 45.2"));
    EXPECT_EQ(label("LabelAC"), st().LiveTexts.Weighting);
    EXPECT_EQ(label("LabelFS"), st().LiveTexts.Speed);
    EXPECT_FALSE(label("LabelFS").isEmpty());

    QAbstractItemModel* m = form->stringGrid()->model();
    ASSERT_EQ(m->rowCount(), 3);
    const char* levels[] = {"59.8", "61.9", "45.2"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(m->index(r, 0).data().toString(), QString::number(r + 1));
        EXPECT_EQ(m->index(r, 1).data().toString(), QString::fromLatin1(levels[r]));
        EXPECT_EQ(m->index(r, 3).data().toString(), st().Grid.cell(3, r + 1));
        EXPECT_FALSE(m->index(r, 4).data().toString().isEmpty());
    }
    for (int g = 0; g < 3; ++g) ASSERT_EQ(form->chart1()->graph(g)->data()->size(), 3);
    EXPECT_NEAR(form->chart1()->graph(1)->data()->at(2)->value, 61.9, 1e-4);
    EXPECT_NEAR(form->chart1()->graph(2)->data()->at(2)->value, 45.2, 1e-4);
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 0);

    const QString summary = form->chartToolTxt()->text();
    EXPECT_TRUE(summary.startsWith(QString::fromUtf8("日期: ") + st().LiveTexts.Date));
    EXPECT_TRUE(summary.endsWith(QString::fromUtf8("  数值: 45.2 分贝  最大值: 61 分贝  最小值: 45 分贝")))
        << summary.toStdString();
    ASSERT_EQ(form->series1()->data()->size(), 1);
    EXPECT_NEAR(form->series1()->data()->at(0)->value, 45.2, 1e-4);
    EXPECT_EQ(QFileInfo(recFile).size(), 12);
    EXPECT_EQ(vm->transferCount(), 3u);  // one request 4 per recorded tick and nothing else
}

TEST_F(MeterWindowTest, Sample291MovesTheAxisTo1Through301)
{
    vm->setLevels({70.0});
    MakeForm();
    clickRecord();
    for (int n = 1; n <= 290; ++n) form->Timer1STimer();
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 0);
    EXPECT_EQ(form->chart1()->xAxis->range().upper, 300);
    form->Timer1STimer();
    EXPECT_EQ(st().SampleCount, 291u);
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 1);
    EXPECT_EQ(form->chart1()->xAxis->range().upper, 301);
    EXPECT_EQ(form->chart1()->graph(0)->data()->size(), 291);
}

TEST_F(MeterWindowTest, UnpluggedMeterIsShownAndNoSampleIsTaken)
{
    vm->setLevels({50.0});
    MakeForm();
    clickRecord();
    form->Timer1STimer();
    ASSERT_TRUE(vm->unplug());
    form->Timer1STimer();
    EXPECT_EQ(label("LabelUSBState"), UsbUnlinkedText);
    EXPECT_EQ(st().SampleCount, 1u);
    EXPECT_TRUE(st().Recording);
    ASSERT_TRUE(vm->plug());
    form->Timer1STimer();
    EXPECT_EQ(label("LabelUSBState"), UsbLinkedText);
    EXPECT_EQ(st().SampleCount, 2u);
    EXPECT_EQ(form->stringGrid()->model()->rowCount(), 2);
}

}  // namespace
}  // namespace pelzo::test
