#include "settings/setup.h"

namespace pelzo {

namespace {

int TextNumber(const QString& text) { return text.trimmed().toInt(); }

}  // namespace

const std::array<QString, RangeCount>& RangeItems()
{
    static const std::array<QString, RangeCount> items{
        QStringLiteral("1. 30----- 80 DB"), QStringLiteral("2. 40----- 90 DB"), QStringLiteral("3. 50-----100 DB"),
        QStringLiteral("4. 60-----110 DB"), QStringLiteral("5. 70-----120 DB"), QStringLiteral("6. 80-----130 DB"),
        QStringLiteral("7. 30-----130 DB"),
    };
    return items;
}

SetupFields DecodeSetup(uint8_t setup)
{
    return {setup & SetupRangeMask, bool(setup & SetupCWeighting), bool(setup & SetupSlow), bool(setup & SetupMaxHold)};
}

uint8_t EncodeSetup(const SetupFields& f)
{
    uint8_t b = uint8_t(f.range & SetupRangeMask);
    if (f.cWeighting) b |= SetupCWeighting;
    if (f.slow) b |= SetupSlow;
    if (f.maxHold) b |= SetupMaxHold;
    return b;
}

void RunSettingsCommand(Core& c, const std::function<void()>& runDialog)
{
    TimerOff off(c.timer1s);
    MainState& st = c.st;
    if (!st.UsbLinked) {
        c.dialogs.message(PlainMessage(MsgMeterNotLinked));
        return;
    }
    if (const auto read = ReadSetupByte(c.usb)) st.MeterSetup = *read;
    const uint8_t before = st.MeterSetup;
    runDialog();
    if (st.MeterSetup == before) return;
    // A byte the meter never took is not its setting.
    if (!WriteSetupByte(c.usb, st.MeterSetup)) st.MeterSetup = before;
}

RequestBlock DateBlock(const MainState& st)
{
    const int year = st.TextYear.trimmed().right(2).toInt();
    return ClockBlock(ClockPart::Date, Bcd(year), Bcd(TextNumber(st.TextMonth)), Bcd(TextNumber(st.TextDay)));
}

RequestBlock TimeBlock(const MainState& st)
{
    return ClockBlock(ClockPart::Time, Bcd(TextNumber(st.TextHour)), Bcd(TextNumber(st.TextMinute)),
                      Bcd(TextNumber(st.TextSecond)));
}

ClockSyncBlocks SyncMeterClock(Core& c)
{
    MainState& st = c.st;
    RefreshClockTexts(st, c.clock);
    ClockSyncBlocks sent;
    if (!st.UsbLinked) return sent;
    sent.date = DateBlock(st);
    sent.time = TimeBlock(st);
    sent.sent = true;
    SetClock(c.usb, sent.date);
    c.usb.Sleep(500);
    SetClock(c.usb, sent.time);
    return sent;
}

}  // namespace pelzo
