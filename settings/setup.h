// The meter's settings byte, the settings command around its dialog, and the clock
// synchronisation. Plain logic over the shared state, so the window, the command-line tool
// and the tests run the same steps.
#pragma once

#include "meter/requests.h"
#include "monitor/monitor.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace pelzo {

// Bits of MeterSetup.
constexpr uint8_t SetupRangeMask = 0x07;
constexpr uint8_t SetupCWeighting = 0x08;
constexpr uint8_t SetupSlow = 0x10;
constexpr uint8_t SetupMaxHold = 0x20;

constexpr int RangeCount = 7;

inline const QString MsgMeterNotLinked = QString::fromUtf8("仪表未连接到电脑！");

// The items of the range box, index = bits 0-2.
const std::array<QString, RangeCount>& RangeItems();

// The fields a user can change. `range` may be 7 when the meter reports an index no item names.
struct SetupFields {
    int range = 0;
    bool cWeighting = false;
    bool slow = false;
    bool maxHold = false;
};

SetupFields DecodeSetup(uint8_t setup);
// The byte a confirmed dialog gives: bits 6 and 7 are never carried.
uint8_t EncodeSetup(const SetupFields& f);

// The settings command without its window: Timer1S off throughout, the meter's settings byte
// into MeterSetup (kept as it was when the read fails), `runDialog` while the meter is linked,
// the byte written back when MeterSetup changed. Without the meter only the message is shown. The timer is on again
// on every way out, an escaping error included.
void RunSettingsCommand(Core& c, const std::function<void()>& runDialog);

// Two decimal digits in one byte; n from 0 to 99.
constexpr uint8_t Bcd(int n) { return uint8_t((n / 10) * 16 + n % 10); }

// What one clock synchronisation sent (empty when the meter was not linked).
struct ClockSyncBlocks {
    RequestBlock date{};
    RequestBlock time{};
    bool sent = false;
};

// The clock button's steps: the clock texts from the clock; then, while linked, the date and,
// 500 ms later, the time (both as read at the start).
ClockSyncBlocks SyncMeterClock(Core& c);

// The two blocks for the clock texts now in the state.
RequestBlock DateBlock(const MainState& st);
RequestBlock TimeBlock(const MainState& st);

}  // namespace pelzo
