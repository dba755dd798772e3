// A core over the shared test seams in a temporary AppDir, with one log of what the user saw.
#pragma once

#include "files/record.h"
#include "tests/support/testseams.h"

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
    RecordingPause pause{log};
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
