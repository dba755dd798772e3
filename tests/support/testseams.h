// Seams for tests: dialogs answered from a script and recorded, a settable clock, pauses that
// are recorded instead of waited for.
#pragma once

#include "app/mainstate.h"
#include "app/seams.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QTemporaryDir>

#include <deque>
#include <vector>

namespace pelzo::test {

class ScriptedDialogs final : public Dialogs {
public:
    std::vector<Message> shown;
    std::deque<int> answers;                      // next message answers; default: first button
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<SaveChoice>> saveAnswers;
    std::deque<std::optional<Rgb>> colorAnswers;
    std::vector<ProgressKind> progress;

    int message(const Message& m) override;
    std::optional<QString> openFile(const QString& filter) override;
    std::optional<SaveChoice> saveFile(const QString& filter) override;
    std::optional<Rgb> pickColor(Rgb initial) override;
    void withProgress(ProgressKind kind, const std::function<void()>& work) override;

    QStringList texts() const;
};

class FixedClock final : public Clock {
public:
    QDateTime at = QDateTime(QDate(2011, 5, 6), QTime(14, 3, 27));
    QDateTime now() override { return at; }
};

class RecordingPause final : public Pause {
public:
    std::vector<int> pauses;
    void pause(int ms) override { pauses.push_back(ms); }
    long long total() const;
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
