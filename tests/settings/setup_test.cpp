#include "settings/setup.h"

#include "tests/settings/fixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pelzo::settingstest {
namespace {

TEST(SetupByte, FieldsRoundTripAndConfirmedByteDropsBits6And7)
{
    struct Case {
        uint8_t in;
        SetupFields f;
        uint8_t confirmed;
    };
    const Case cases[] = {
        {0x00, {0, false, false, false}, 0x00},
        {0x03, {3, false, false, false}, 0x03},
        {0x0B, {3, true, false, false}, 0x0B},
        {0x16, {6, false, true, false}, 0x16},
        {0x25, {5, false, false, true}, 0x25},
        {0x7F, {7, true, true, true}, 0x3F},  // card present and an index no item names
        {0xC2, {2, false, false, false}, 0x02},
    };
    for (const Case& c : cases) {
        const SetupFields f = DecodeSetup(c.in);
        EXPECT_EQ(f.range, c.f.range) << int(c.in);
        EXPECT_EQ(f.cWeighting, c.f.cWeighting) << int(c.in);
        EXPECT_EQ(f.slow, c.f.slow) << int(c.in);
        EXPECT_EQ(f.maxHold, c.f.maxHold) << int(c.in);
        EXPECT_EQ(EncodeSetup(f), c.confirmed) << int(c.in);
    }
    EXPECT_TRUE(CardPresent(0x40));
    EXPECT_FALSE(CardPresent(0x3F));
}

TEST(SetupByte, RangeItemsAreTheMetersSevenRanges)
{
    ASSERT_EQ(RangeItems().size(), 7u);
    EXPECT_EQ(RangeItems()[0], QStringLiteral("1. 30----- 80 DB"));
    EXPECT_EQ(RangeItems()[2], QStringLiteral("3. 50-----100 DB"));
    EXPECT_EQ(RangeItems()[6], QStringLiteral("7. 30-----130 DB"));
}

// Date and time blocks for a moment of the local clock.
TEST(ClockBlocks, BcdFieldsFromTheClockTexts)
{
    struct Case {
        QDateTime at;
        RequestBlock date, time;
    };
    const Case cases[] = {
        {{QDate(2024, 3, 7), QTime(14, 5, 9)}, {0x00, 0x24, 0x03, 0x07}, {0x01, 0x14, 0x05, 0x09}},
        {{QDate(2005, 9, 30), QTime(0, 0, 0)}, {0x00, 0x05, 0x09, 0x30}, {0x01, 0x00, 0x00, 0x00}},
        {{QDate(2000, 10, 1), QTime(23, 59, 59)}, {0x00, 0x00, 0x10, 0x01}, {0x01, 0x23, 0x59, 0x59}},
        {{QDate(2019, 11, 19), QTime(9, 10, 11)}, {0x00, 0x19, 0x11, 0x19}, {0x01, 0x09, 0x10, 0x11}},
        {{QDate(2100, 12, 31), QTime(12, 0, 1)}, {0x00, 0x00, 0x12, 0x31}, {0x01, 0x12, 0x00, 0x01}},
    };
    for (const Case& c : cases) {
        SettingsFixture f;
        f.clock.t = c.at;
        RefreshClockTexts(f.st, f.clock);
        EXPECT_EQ(DateBlock(f.st), c.date) << c.at.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(TimeBlock(f.st), c.time) << c.at.toString(Qt::ISODate).toStdString();
    }
    // The texts may carry blanks around the digits.
    SettingsFixture f;
    f.st.TextYear = QStringLiteral(" 1999 ");
    f.st.TextMonth = QStringLiteral(" 12");
    f.st.TextDay = QStringLiteral("5 ");
    EXPECT_EQ(DateBlock(f.st), (RequestBlock{0x00, 0x99, 0x12, 0x05}));
}

TEST(ClockSync, WithoutTheMeterOnlyTheTextsAreRefreshed)
{
    SettingsFixture f;
    f.st.UsbLinked = false;
    const ClockSyncBlocks sent = SyncMeterClock(f.core);
    EXPECT_FALSE(sent.sent);
    EXPECT_EQ(f.st.TextYear, QStringLiteral("2024"));
    EXPECT_EQ(f.st.TextMonth, QStringLiteral("3"));
    EXPECT_EQ(f.st.TextSecond, QStringLiteral("9"));
    EXPECT_TRUE(f.pause.pauses.empty());
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(ClockSync, LinkedSendsBothWithHalfASecondBetweenAndEachPressReadsTheClock)
{
    SettingsFixture f;
    f.st.UsbLinked = true;  // the link holds no meter: the transfers go nowhere, silently
    ClockSyncBlocks sent = SyncMeterClock(f.core);
    EXPECT_TRUE(sent.sent);
    EXPECT_EQ(sent.date, (RequestBlock{0x00, 0x24, 0x03, 0x07}));
    EXPECT_EQ(sent.time, (RequestBlock{0x01, 0x14, 0x05, 0x09}));
    f.clock.t = f.clock.t.addSecs(3);
    sent = SyncMeterClock(f.core);
    EXPECT_EQ(sent.time, (RequestBlock{0x01, 0x14, 0x05, 0x12}));
    EXPECT_EQ(f.pause.pauses, (std::vector<int>{500, 500}));
}

TEST(SettingsCommand, WithoutTheMeterOnlyTheMessage)
{
    SettingsFixture f;
    f.st.UsbLinked = false;
    bool dialogRan = false;
    RunSettingsCommand(f.core, [&] { dialogRan = true; });
    EXPECT_FALSE(dialogRan);
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].text, QString::fromUtf8("仪表未连接到电脑！"));
    EXPECT_EQ(f.dialogs.shown[0].caption, AppTitle);
    EXPECT_EQ(f.dialogs.shown[0].buttons, int(Ok));
    EXPECT_EQ(f.timer.switches, (std::vector<bool>{false, true}));
}

TEST(SettingsCommand, FailedReadKeepsThePreviousByteAndTheTimerStaysOffThroughout)
{
    SettingsFixture f;
    f.st.UsbLinked = true;  // no meter behind the link: request 2 gives nothing
    f.st.MeterSetup = 0x1B;
    bool timerDuringDialog = true;
    uint8_t seen = 0;
    RunSettingsCommand(f.core, [&] {
        timerDuringDialog = f.timer.enabled();
        seen = f.st.MeterSetup;
        f.st.MeterSetup = 0x05;  // confirmed a change; request 3 finds no link
    });
    EXPECT_EQ(seen, 0x1B);
    EXPECT_FALSE(timerDuringDialog);
    EXPECT_EQ(f.st.MeterSetup, 0x1B) << "a byte the meter never took is not kept";
    EXPECT_EQ(f.timer.switches, (std::vector<bool>{false, true}));
}

TEST(SettingsCommand, TimerOnAgainWhenTheDialogThrows)
{
    SettingsFixture f;
    f.st.UsbLinked = true;
    EXPECT_THROW(RunSettingsCommand(f.core, [] { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_TRUE(f.timer.enabled());
}

}  // namespace
}  // namespace pelzo::settingstest
