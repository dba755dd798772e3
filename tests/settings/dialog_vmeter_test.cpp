// The settings command end to end: the real dialog, the real libusb 0.1 and the virtual meter,
// checked on the meter's trace.
#include "app/commands.h"
#include "settings/setup.h"
#include "tests/settings/fixture.h"
#include "tests/settings/whenshown.h"
#include "vmeter/virtualmeter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <usb.h>

#include <gtest/gtest.h>

#include <regex>

namespace pelzo::settingstest {
namespace {

struct MeterDialog : ::testing::Test, SettingsFixture {
    std::optional<vmeter::VirtualMeter> vm{std::in_place};
    QWidget owner;

    void SetUp() override
    {
        ASSERT_EQ(usb.OpenMeter(), MeterOpened);
        st.UsbLinked = true;
    }
    void TearDown() override
    {
        vm.reset();
        // libusb 0.1 keeps the devices it has seen: forget this meter before the next one.
        usb_find_busses();
        usb_find_devices();
    }

    std::vector<std::string> trace() const
    {
        std::vector<std::string> lines;
        for (const vmeter::TraceEntry& e : vm->trace()) lines.push_back(vmeter::TraceLine(e));
        return lines;
    }

    void run(const std::function<void(TForm_SetupMeter&)>& act)
    {
        WhenShown shown(act);
        ToolButton5Click(core, &owner);
        ASSERT_TRUE(shown.ran());
        ASSERT_FALSE(shown.leftOpen());
    }

    // A FAT32 card image made for this test.
    QString makeCard()
    {
        const QString img = cardDir.filePath(QStringLiteral("card.img"));
        QProcess mkfs;
        mkfs.start(QStringLiteral("mkfs.fat"), {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("32"), img,
                                                QStringLiteral("65536")});
        EXPECT_TRUE(mkfs.waitForFinished(30000));
        EXPECT_EQ(mkfs.exitCode(), 0) << mkfs.readAllStandardError().toStdString();
        return img;
    }
    QTemporaryDir cardDir;
};

void ExpectWrite(const std::string& line, const char* value)
{
    const std::regex want(std::string("c0 3 ") + value + " 0000 1 [0-9a-f]{2}");
    EXPECT_TRUE(std::regex_match(line, want)) << line;
}

TEST_F(MeterDialog, ConfirmingUntouchedWithACardWritesTheByteWithoutBit6)
{
    vm->setSettings(0x0b);
    vm->attachCard(makeCard().toStdString());
    run([](TForm_SetupMeter& d) { QTest::mouseClick(d.SpeedButton1, Qt::LeftButton); });
    const auto lines = trace();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "c0 2 0001 0000 1 4b");
    ExpectWrite(lines[1], "000b");
    EXPECT_EQ(st.MeterSetup, 0x0b);
    EXPECT_TRUE(timer.enabled());
}

TEST_F(MeterDialog, ConfirmedChangesReachTheMeter)
{
    vm->setSettings(0x12);
    run([](TForm_SetupMeter& d) {
        EXPECT_EQ(d.ComboBox1->currentIndex(), 2);
        EXPECT_TRUE(d.RadioButton_S->isChecked());
        d.ComboBox1->setCurrentIndex(3);
        QTest::mouseClick(d.RadioButton_C, Qt::LeftButton);
        QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    });
    const auto lines = trace();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "c0 2 0001 0000 1 12");
    ExpectWrite(lines[1], "001b");
    EXPECT_EQ(vm->settings(), 0x1b);
}

TEST_F(MeterDialog, LeavingNeverWritesButKeepsTheColour)
{
    vm->setSettings(0x00);
    vm->attachCard(makeCard().toStdString());
    const Rgb olive = MakeRgb(128, 128, 0);
    dialogs.colorAnswers = {olive};
    run([](TForm_SetupMeter& d) {
        d.ComboBox1->setCurrentIndex(6);
        QTest::mouseClick(d.RadioButton_C, Qt::LeftButton);
        QTest::mouseClick(d.CheckBox_Max, Qt::LeftButton);
        QTest::mousePress(d.Shape3, Qt::LeftButton);
        QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
    });
    EXPECT_EQ(trace(), (std::vector<std::string>{"c0 2 0001 0000 1 40"}));
    EXPECT_EQ(st.ColorMin, olive);
    EXPECT_EQ(st.MeterSetup, 0x40);
}

TEST_F(MeterDialog, ClockButtonSetsTheMetersClock)
{
    clock.t = QDateTime(QDate(2024, 11, 3), QTime(7, 8, 30));
    run([](TForm_SetupMeter& d) {
        QTest::mouseClick(d.SpeedButton_Clock, Qt::LeftButton);
        QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
    });
    EXPECT_EQ(trace(), (std::vector<std::string>{"c0 2 0001 0000 1 00", "40 5 2400 0311 0 -", "40 5 0701 3008 0 -"}));
    EXPECT_EQ(pause.pauses, (std::vector<int>{500}));
    const vmeter::MeterTime t = vm->clock();
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 11);
    EXPECT_EQ(t.day, 3);
    EXPECT_EQ(t.hour, 7);
    EXPECT_EQ(t.minute, 8);
}

// Request 2 fails: its one message, the dialog on the byte held before, and the confirmed change
// finds no link, so nothing more goes out and the byte held stays.
TEST_F(MeterDialog, FailedReadOpensOnThePreviousByteAndSendsNothingMore)
{
    vm->setSettings(0x12);
    vm->failTransfer(1);
    st.MeterSetup = 0x25;
    run([](TForm_SetupMeter& d) {
        EXPECT_EQ(d.ComboBox1->currentIndex(), 5);
        EXPECT_TRUE(d.CheckBox_Max->isChecked());
        d.ComboBox1->setCurrentIndex(1);
        QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    });
    EXPECT_EQ(vm->transferCount(), 1u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgUsbLost);
    EXPECT_EQ(st.MeterSetup, 0x25);
    EXPECT_EQ(vm->settings(), 0x12);
    EXPECT_TRUE(timer.enabled());
}

}  // namespace
}  // namespace pelzo::settingstest
