// The core's seams for tests: dialogs answer from a script and record what was shown, pauses are
// recorded and not waited for. The logic under test is the real one.
#pragma once

#include "app/mainstate.h"
#include "files/record.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <functional>
#include <optional>
#include <vector>

// Readable failure output.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace pelzo::test {

// One line per thing the user would have seen, in order.
using Log = std::vector<QString>;

class ScriptedDialogs final : public Dialogs {
public:
    explicit ScriptedDialogs(Log& log) : log_(log) {}

    std::vector<Message> shown;
    std::deque<int> answers;  // for messages; without one, the first button of the box
    std::optional<QString> openAnswer;
    std::optional<SaveChoice> saveAnswer;
    std::vector<QString> openFilters, saveFilters;
    std::function<void()> onSaveDialog;  // runs while the save dialog is "open"
    int progressDepth = 0;

    int message(const Message& m) override
    {
        shown.push_back(m);
        log_.push_back(QStringLiteral("message ") + m.text);
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        for (int b : {Ok, Yes, No, Cancel})
            if (m.buttons & b) return b;
        return Ok;
    }
    std::optional<QString> openFile(const QString& filter) override
    {
        openFilters.push_back(filter);
        log_.push_back(QStringLiteral("open dialog"));
        return openAnswer;
    }
    std::optional<SaveChoice> saveFile(const QString& filter) override
    {
        saveFilters.push_back(filter);
        log_.push_back(QStringLiteral("save dialog"));
        if (onSaveDialog) onSaveDialog();
        return saveAnswer;
    }
    std::optional<Rgb> pickColor(Rgb) override { return std::nullopt; }
    void withProgress(ProgressKind kind, const std::function<void()>& work) override
    {
        log_.push_back(QStringLiteral("progress %1 begin").arg(int(kind)));
        ++progressDepth;
        work();
        --progressDepth;
        log_.push_back(QStringLiteral("progress %1 end").arg(int(kind)));
    }

private:
    Log& log_;
};

class RecordedPause final : public Pause {
public:
    explicit RecordedPause(Log& log) : log_(log) {}
    void pause(int ms) override { log_.push_back(QStringLiteral("pause %1").arg(ms)); }

private:
    Log& log_;
};

class FixedClock final : public Clock {
public:
    QDateTime t{QDate(2011, 5, 6), QTime(14, 3, 27)};
    QDateTime now() override { return t; }
};

// A core over a temporary AppDir.
struct Harness {
    Harness()
    {
        st.AppDir = dir.path();
        timer.setEnabled(true);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Recording as the tick does it: append the word, then fill the views.
    void recordSample(uint32_t word)
    {
        st.CurSample = word;
        ASSERT_TRUE(AppendSample(st));
        ReadingTexts t;
        DecodeStored(word, t);
        t.dateValue = clock.t.date();
        t.Date = ShortDateText(t.dateValue);
        AddSampleToViews(st, st.SampleCount, float(t.tenths) / 10.0f, t);
    }
    std::vector<QString> messageTexts() const
    {
        std::vector<QString> out;
        for (const Message& m : dialogs.shown) out.push_back(m.text);
        return out;
    }

    QTemporaryDir dir;
    Log log;
    MainState st;
    ScriptedDialogs dialogs{log};
    RecordedPause pause{log};
    FixedClock clock;
    PlainTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

inline QByteArray Words(std::initializer_list<uint32_t> words)
{
    QByteArray b;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) b += char(uint8_t(w >> (8 * i)));
    return b;
}

inline std::vector<QString> RowCells(const MainState& st, int row)
{
    std::vector<QString> out;
    for (int c = 0; c < StringGrid::ColCount; ++c) out.push_back(st.Grid.cell(c, row));
    return out;
}

}  // namespace pelzo::test
