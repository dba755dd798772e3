// What every fuzzer drives: a core over scripted dialogs, a fixed clock and pauses that do not
// wait, with a scratch folder of its own for the files it reads.
#pragma once

#include "app/mainstate.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"
#include "tests/support/testseams.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <span>

namespace pelzo::fuzz {

// A finding: print what broke and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

struct FuzzCore {
    MainState st;
    test::ScriptedDialogs dialogs;
    test::FixedClock clock;
    test::RecordingPause pause;
    PlainTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

// The scratch folder lives as long as the fuzzer process.
inline const QTemporaryDir& ScratchDir()
{
    static const QTemporaryDir dir;
    return dir;
}

// Writes `bytes` to `name` in the scratch folder and returns its path.
inline QString ScratchFile(const QString& name, std::span<const uint8_t> bytes)
{
    const QString path = ScratchDir().filePath(name);
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size()));
    return path;
}

}  // namespace pelzo::fuzz
