// Loading a week-long record file into the views, and writing and reading back a day as a text
// file. Prints the figures and whether they meet the goals; exits 1 when one is missed.
#include "tests/support/testseams.h"
#include "app/mainstate.h"
#include "files/openfile.h"
#include "files/text.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

using namespace pelzo;

// Answers every box with its first button and keeps what was shown.
using QuietDialogs = pelzo::test::ScriptedDialogs;

// The fixed pauses are the desk's, not the work's: left out of the figures.
class NoPause final : public Pause {
public:
    void pause(int) override {}
};

struct Bench {
    MainState st;
    QuietDialogs dialogs;
    SystemClock clock;
    NoPause pause;
    PlainTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
};

double PeakMb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;  // kB on Linux
}

// A recording of `n` seconds from 00:00:00, levels wandering over the whole scale.
bool WriteRecording(const QString& path, uint32_t n)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t secs = k % 86400;
        const uint32_t reading = ((k * 37u) % 1024u) | (k % 3 == 0 ? 1u << 13 : 0u) | (3u << 10);
        const uint32_t w = ComposeSample(reading, int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
        for (int i = 0; i < 4; ++i) chunk += char(uint8_t(w >> (8 * i)));
        if (chunk.size() >= 1 << 16) {
            if (f.write(chunk) != chunk.size()) return false;
            chunk.clear();
        }
    }
    return f.write(chunk) == chunk.size();
}

double Seconds(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

bool Report(const char* what, double value, const char* unit, double goal)
{
    const bool ok = value <= goal;
    std::printf("%-44s %9.3f %-3s (goal <= %g) %s\n", what, value, unit, goal, ok ? "ok" : "MISSED");
    return ok;
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    const QString week = dir.filePath(QStringLiteral("BE6O0000.pzo"));
    const QString day = dir.filePath(QStringLiteral("BE6P0000.pzo"));
    const QString text = dir.filePath(QStringLiteral("day.txt"));
    if (!WriteRecording(week, 604800) || !WriteRecording(day, 86400)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(dir.path()));
        return 2;
    }
    bool ok = true;
    {
        Bench b;
        const double before = PeakMb();
        b.st.OpenFileName = week;
        const double s = Seconds([&] { OpenFileIntoViews(b.core); });
        const double peak = PeakMb();
        if (b.st.SampleCount != 604800 || !b.dialogs.shown.empty()) {
            std::fprintf(stderr, "the week did not load (%u rows)\n", b.st.SampleCount);
            return 2;
        }
        ok &= Report("open week-long record file (604,800 rows)", s, "s", 1.0);
        ok &= Report("  peak memory of the process", peak, "MB", 150);
        std::printf("%-44s %9.3f MB (before the load: %.1f MB)\n", "  of which the load", peak - before, before);
    }
    {
        Bench b;
        b.st.OpenFileName = day;
        OpenFileIntoViews(b.core);
        const double w = Seconds([&] { WriteTextFile(b.core, text); });
        const qint64 bytes = QFile(text).size();
        ClearViews(b.st);
        const double r = Seconds([&] { ReadTextFile(b.core, text); });
        if (b.st.SampleCount != 86400 || !b.dialogs.shown.empty()) {
            std::fprintf(stderr, "the text file did not read back (%u rows)\n", b.st.SampleCount);
            return 2;
        }
        ok &= Report("write text file (86,400 rows)", w, "s", 1.0);
        ok &= Report("read text file back (86,400 rows)", r, "s", 1.0);
        std::printf("%-44s %9.3f MB\n", "  text file size", double(bytes) / 1e6);
        std::printf("%-44s %9.3f MB\n", "  peak memory of the process", PeakMb());
    }
    return ok ? 0 : 1;
}
