// Loading a week-long record file into the views, and writing and reading back a day as a text
// file. Prints the figures and whether they meet the goals; exits 1 when one is missed.
#include "tests/support/testseams.h"
#include "app/mainstate.h"
#include "files/openfile.h"
#include "files/text.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include "bench/support/recording.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

using pelzo::bench::PeakMb;
using pelzo::bench::WriteRecording;

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
