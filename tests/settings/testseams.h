// Scripted seams for the settings tests: answers given in advance, everything shown recorded.
#pragma once

#include "app/seams.h"

#include <deque>
#include <vector>

namespace pelzo::settingstest {

class ScriptedDialogs final : public Dialogs {
public:
    int message(const Message& m) override
    {
        messages.push_back(m);
        return Ok;
    }
    std::optional<QString> openFile(const QString&) override { return std::nullopt; }
    std::optional<SaveChoice> saveFile(const QString&) override { return std::nullopt; }
    std::optional<Rgb> pickColor(Rgb initial) override
    {
        pickerOpenedOn.push_back(initial);
        if (colours.empty()) return std::nullopt;
        const std::optional<Rgb> c = colours.front();
        colours.pop_front();
        return c;
    }
    void withProgress(ProgressKind, const std::function<void()>& work) override { work(); }

    std::vector<Message> messages;
    std::deque<std::optional<Rgb>> colours;  // answers of the picker in turn; nullopt = cancelled
    std::vector<Rgb> pickerOpenedOn;
};

class FixedClock final : public Clock {
public:
    QDateTime now() override { return t; }
    QDateTime t{QDate(2024, 3, 7), QTime(14, 5, 9)};
};

class RecordingPause final : public Pause {
public:
    void pause(int ms) override { pauses.push_back(ms); }
    std::vector<int> pauses;
};

// A timer that remembers every switch.
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

}  // namespace pelzo::settingstest
