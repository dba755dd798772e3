// Live monitoring and recording: the one-second tick and the recording command, as logic over
// the shared state.
#pragma once

#include "app/mainstate.h"
#include "app/seams.h"
#include "meter/appusb.h"

namespace pelzo {

// What the tick and the commands work with. One per main window (or command-line run).
struct Core {
    MainState& st;
    Appusb& usb;
    Dialogs& dialogs;
    Clock& clock;
    Timer& timer1s;
    Pause& pause;  // the fixed pauses around file work (the link has its own for the card)
};

inline const QString UsbLinkedText = QString::fromUtf8(" USB 连接        ");
inline const QString UsbUnlinkedText = QString::fromUtf8(" USB 未连接      ");

// Reads the local clock into LocalNow and the six clock texts.
void RefreshClockTexts(MainState& st, Clock& clock);
// ReadingRaw and the clock texts to LiveTexts and CurSample.
void DecodeLive(MainState& st, Clock& clock);

void ClearViews(MainState& st);
void AddSampleToViews(MainState& st, uint32_t n, float v, const ReadingTexts& texts);
// The statistics and chart step shared by the file loaders.
void AddFileValue(MainState& st, float v, bool first);

// Start or stop the on-line recording.
void ToolButton3Click(Core& c);

struct TickResult {
    bool linked = false;
    bool sampled = false;
};
TickResult Timer1STimer(Core& c);
// One reading outside a recording, for a plain live view: fills LiveTexts and the readouts,
// records nothing. False when the request failed.
bool LivePoll(Core& c);

// The summary line of the chart from LiveTexts and the statistics.
QString SummaryText(const MainState& st);

}  // namespace pelzo
