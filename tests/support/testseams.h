// The one set of test seams: dialogs answered from a script and recorded, a settable clock,
// pauses recorded instead of waited for, and a timer that remembers its switches. The logic under
// test is the real one. Given a Log, the dialogs and pauses also write one line per thing the
// user would have seen, in order.
#pragma once

#include "app/mainstate.h"
#include "app/seams.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace pelzo::test {

using Log = std::vector<QString>;

class ScriptedDialogs final : public Dialogs {
public:
    ScriptedDialogs() = default;
    explicit ScriptedDialogs(Log& log) : log_(&log) {}

    std::vector<Message> shown;
    std::deque<int> answers;  // next message answers; without one, the first of Ok, Yes, Cancel, No in the box
    std::deque<std::optional<QString>> openAnswers;      // in turn; none left: cancelled
    std::deque<std::optional<SaveChoice>> saveAnswers;   // in turn; none left: cancelled
    std::deque<std::optional<Rgb>> colorAnswers;         // in turn; none left: cancelled
    std::function<void()> onSaveDialog;                  // runs while the save dialog is "open"

    std::vector<QString> openFilters, saveFilters;
    std::vector<Rgb> pickerOpenedOn;
    std::vector<ProgressKind> progress;
    int progressDepth = 0;

    int message(const Message& m) override;
    std::optional<QString> openFile(const QString& filter) override;
    std::optional<SaveChoice> saveFile(const QString& filter) override;
    std::optional<Rgb> pickColor(Rgb initial) override;
    void withProgress(ProgressKind kind, const std::function<void()>& work) override;

    QStringList texts() const;

private:
    void log(const QString& line);
    Log* log_ = nullptr;
};

class FixedClock final : public Clock {
public:
    FixedClock() = default;
    explicit FixedClock(QDateTime at) : t(std::move(at)) {}
    QDateTime t = QDateTime(QDate(2011, 5, 6), QTime(14, 3, 27));
    QDateTime now() override { return t; }
};

class RecordingPause final : public Pause {
public:
    RecordingPause() = default;
    explicit RecordingPause(Log& log) : log_(&log) {}
    std::vector<int> pauses;
    void pause(int ms) override;
    long long total() const;

private:
    Log* log_ = nullptr;
};

// A timer that remembers every switch; it starts running, as the window's does.
class SwitchTimer final : public Timer {
public:
    void setEnabled(bool on) override
    {
        on_ = on;
        switches.push_back(on);
    }
    bool enabled() const override { return on_; }
    void setInterval(int) override {}
    std::vector<bool> switches;

private:
    bool on_ = true;
};

// The state and seams one command works with, wired into a Core.
struct CoreFixture {
    MainState st;
    ScriptedDialogs dialogs;
    FixedClock clock;
    RecordingPause pause;
    PlainTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

}  // namespace pelzo::test
