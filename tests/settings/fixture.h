// One core over scripted seams; the link is real but holds no meter unless a test opens one.
#pragma once

#include "tests/settings/testseams.h"

#include "app/mainstate.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

namespace pelzo::settingstest {

struct SettingsFixture {
    MainState st;
    ScriptedDialogs dialogs;
    FixedClock clock;
    RecordingPause pause;
    SwitchTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

}  // namespace pelzo::settingstest
