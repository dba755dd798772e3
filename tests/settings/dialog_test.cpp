#include "settings/ui/sermeter.h"

#include "app/commands.h"
#include "settings/setup.h"
#include "tests/settings/fixture.h"
#include "tests/settings/whenshown.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace pelzo::settingstest {
namespace {

struct DialogTest : ::testing::Test, SettingsFixture {
    QWidget owner;
};

TEST_F(DialogTest, ControlsShowTheByteRead)
{
    struct Case {
        uint8_t setup;
        int item;
        bool c, slow, max;
    };
    const Case cases[] = {
        {0x00, 0, false, false, false}, {0x0B, 3, true, false, false}, {0x16, 6, false, true, false},
        {0x65, 5, false, false, true},  {0x3A, 2, true, true, true},  {0x07, -1, false, false, false},
    };
    for (const Case& c : cases) {
        st.MeterSetup = c.setup;
        TForm_SetupMeter d(core, &owner);
        EXPECT_EQ(d.SetupCopy, c.setup);
        EXPECT_EQ(d.ComboBox1->currentIndex(), c.item) << int(c.setup);
        EXPECT_EQ(d.RadioButton_C->isChecked(), c.c) << int(c.setup);
        EXPECT_EQ(d.RadioButton_A->isChecked(), !c.c) << int(c.setup);
        EXPECT_EQ(d.RadioButton_S->isChecked(), c.slow) << int(c.setup);
        EXPECT_EQ(d.RadioButton_F->isChecked(), !c.slow) << int(c.setup);
        EXPECT_EQ(d.CheckBox_Max->isChecked(), c.max) << int(c.setup);
    }
}

TEST_F(DialogTest, LayoutTextsAndPickOnlyRangeBox)
{
    TForm_SetupMeter d(core, &owner);
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("设置"));
    EXPECT_EQ(d.size(), QSize(296, 262));
    EXPECT_FALSE(d.ComboBox1->isEditable());
    ASSERT_EQ(d.ComboBox1->count(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(d.ComboBox1->itemText(i), RangeItems()[size_t(i)]);
    EXPECT_EQ(d.SpeedButton1->text(), QString::fromUtf8("确认退出"));
    EXPECT_EQ(d.SpeedButton2->text(), QString::fromUtf8("退       出"));
    EXPECT_EQ(d.SpeedButton_Clock->text(), QString::fromUtf8("同步时钟"));
    EXPECT_EQ(d.GroupBox5->title(), QStringLiteral("   MAX "));
    EXPECT_EQ(d.GroupBox1->title(), QString::fromUtf8(" 仪表设置 "));
    EXPECT_EQ(d.GroupBox2->title(), QString::fromUtf8(" 曲线图设置 "));
    EXPECT_EQ(d.Shape2->geometry(), QRect(112, 48, 57, 17));
    EXPECT_EQ(d.SpeedButton2->geometry(), QRect(192, 235, 73, 22));
}

TEST_F(DialogTest, ConfirmBuildsTheByteFromTheControls)
{
    st.MeterSetup = 0x40;  // card present, range 0, A, Fast, no hold
    TForm_SetupMeter d(core, &owner);
    d.ComboBox1->setCurrentIndex(3);
    QTest::mouseClick(d.RadioButton_C, Qt::LeftButton);
    QTest::mouseClick(d.RadioButton_S, Qt::LeftButton);
    QTest::mouseClick(d.CheckBox_Max, Qt::LeftButton);
    EXPECT_FALSE(d.RadioButton_A->isChecked());
    EXPECT_FALSE(d.RadioButton_F->isChecked());
    QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(st.MeterSetup, 0x3B);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(DialogTest, ConfirmKeepsARangeNoItemNames)
{
    st.MeterSetup = 0x4F;  // range 7, C, card present
    TForm_SetupMeter d(core, &owner);
    QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(st.MeterSetup, 0x0F);
}

TEST_F(DialogTest, LeavingOrClosingLeavesTheByte)
{
    for (const bool closeBox : {false, true}) {
        st.MeterSetup = 0x12;
        TForm_SetupMeter d(core, &owner);
        d.show();
        d.ComboBox1->setCurrentIndex(5);
        QTest::mouseClick(d.RadioButton_C, Qt::LeftButton);
        if (closeBox)
            d.close();
        else
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_EQ(st.MeterSetup, 0x12);
    }
}

TEST_F(DialogTest, PickerOpensOnTheLastConfirmedColourAndACancelChangesNothing)
{
    TForm_SetupMeter d(core, &owner);
    const Rgb amber = MakeRgb(255, 191, 0), teal = MakeRgb(0, 128, 128);
    dialogs.colorAnswers = {amber, std::nullopt, teal};
    QTest::mousePress(d.Shape2, Qt::RightButton);  // any button opens the picker
    EXPECT_EQ(st.ColorMax, amber);
    EXPECT_EQ(d.Shape2->color(), amber);

    QTest::mousePress(d.Shape1, Qt::LeftButton);  // cancelled
    EXPECT_EQ(st.ColorRec, MakeRgb(0, 0, 255));
    EXPECT_EQ(d.Shape1->color(), MakeRgb(0, 0, 255));

    QTest::mousePress(d.Shape3, Qt::LeftButton);
    EXPECT_EQ(st.ColorMin, teal);
    EXPECT_EQ(d.Shape3->color(), teal);
    EXPECT_EQ(dialogs.pickerOpenedOn, (std::vector<Rgb>{MakeRgb(0, 0, 0), amber, amber}));
    // Not the shape's own colour, and a new dialog starts on black again.
    TForm_SetupMeter again(core, &owner);
    dialogs.colorAnswers = {std::nullopt};
    QTest::mousePress(again.Shape3, Qt::LeftButton);
    EXPECT_EQ(dialogs.pickerOpenedOn.back(), MakeRgb(0, 0, 0));
    EXPECT_EQ(again.Shape3->color(), teal);
}

TEST_F(DialogTest, CommandWithoutTheMeterShowsOnlyTheMessage)
{
    st.UsbLinked = false;
    WhenShown never([](TForm_SetupMeter&) {});
    ToolButton5Click(core, &owner);
    QTest::qWait(30);
    EXPECT_FALSE(never.ran());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgMeterNotLinked);
    EXPECT_TRUE(timer.enabled());
}

// The meter vanished before request 2: the dialog opens on the byte held before; a colour chosen
// there stays whichever way the dialog is left.
TEST_F(DialogTest, CommandAfterAFailedReadShowsThePreviousByteAndKeepsColours)
{
    for (const bool confirm : {false, true}) {
        SettingsFixture f;
        f.st.UsbLinked = true;
        f.st.MeterSetup = 0x1C;
        const Rgb pink = MakeRgb(255, 0, 255);
        f.dialogs.colorAnswers = {pink};
        bool timerWhileOpen = true;
        WhenShown act([&](TForm_SetupMeter& d) {
            timerWhileOpen = f.timer.enabled();
            EXPECT_EQ(d.parentWidget(), &owner);
            EXPECT_EQ(d.ComboBox1->currentIndex(), 4);
            EXPECT_TRUE(d.RadioButton_S->isChecked());
            EXPECT_TRUE(d.RadioButton_C->isChecked());
            QTest::mousePress(d.Shape1, Qt::LeftButton);
            QTest::mouseClick(confirm ? d.SpeedButton1 : d.SpeedButton2, Qt::LeftButton);
        });
        ToolButton5Click(f.core, &owner);
        EXPECT_TRUE(act.ran());
        EXPECT_FALSE(act.leftOpen());
        EXPECT_FALSE(timerWhileOpen);
        EXPECT_TRUE(f.timer.enabled());
        EXPECT_EQ(f.st.ColorRec, pink);
        EXPECT_EQ(f.st.MeterSetup, 0x1C);
        EXPECT_TRUE(owner.findChildren<TForm_SetupMeter*>().isEmpty()) << "the dialog is destroyed at once";
    }
}

TEST_F(DialogTest, ClockButtonRefreshesTheTextsAndPausesBetweenTheTransfers)
{
    st.UsbLinked = true;
    clock.t = QDateTime(QDate(2031, 12, 1), QTime(6, 7, 8));
    TForm_SetupMeter d(core, &owner);
    QTest::mouseClick(d.SpeedButton_Clock, Qt::LeftButton);
    EXPECT_EQ(st.TextYear, QStringLiteral("2031"));
    EXPECT_EQ(st.TextMonth, QStringLiteral("12"));
    EXPECT_EQ(st.TextHour, QStringLiteral("6"));
    EXPECT_EQ(pause.pauses, (std::vector<int>{500}));
}

}  // namespace
}  // namespace pelzo::settingstest
