// One core over the shared test seams; the link is real but holds no meter unless a test opens one.
#pragma once

#include "tests/support/testseams.h"

namespace pelzo::settingstest {

using test::FixedClock;
using test::RecordingPause;
using test::ScriptedDialogs;
using test::SwitchTimer;

struct SettingsFixture {
    MainState st;
    ScriptedDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    RecordingPause pause;
    SwitchTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

}  // namespace pelzo::settingstest
