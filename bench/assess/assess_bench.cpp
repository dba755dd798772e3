// A month recorded once a second, assessed: the load into the views as the open command does
// it, then the assessment of every sample. Goal: at most 1 s and at most 400 MB for both.
#include "assess/feeder.h"
#include "assess/report.h"
#include "files/openfile.h"
#include "files/record.h"
#include "meter/words.h"
#include "tests/support/testseams.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr uint32_t Samples = 30 * 86400;
constexpr double GoalSeconds = 1.0;
constexpr double GoalMb = 400;

bool WriteMonth(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(Samples) * 4);
    for (uint32_t k = 0; k < Samples; ++k) {
        const uint32_t tod = k % 86400;
        const uint32_t code = 150 + (k * 7919u) % 600;  // 45.0 … 104.9 dB
        const uint32_t w = pelzo::ComposeSample(code | (k % 100 == 0 ? 1u << 13 : 0u), int(tod / 3600),
                                                int(tod / 60 % 60), int(tod % 60));
        for (int b = 0; b < 4; ++b) bytes.append(char((w >> (8 * b)) & 0xff));
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

double PeakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(pelzo::MakeRecordName(2026, 3, 1, 0, 0, 0) + pelzo::RecordExt);
    if (!WriteMonth(path)) {
        std::fprintf(stderr, "assess bench: cannot write %s\n", qPrintable(path));
        return 1;
    }
    const double before = PeakMb();
    pelzo::test::CoreFixture fx;
    fx.st.OpenFileName = path;
    QElapsedTimer t;
    t.start();
    pelzo::OpenFileIntoViews(fx.core);
    const double load = double(t.nsecsElapsed()) / 1e9;
    t.restart();
    const pelzo::assess::Accumulator acc = pelzo::assess::AssessState(fx.st, {});
    const QByteArray json = pelzo::assess::ReportJson(acc);
    const double assess = double(t.nsecsElapsed()) / 1e9;
    const double peak = PeakMb();
    if (acc.samples() != Samples || acc.hourCount() != 720) {
        std::fprintf(stderr, "assess bench: %llu samples, %zu hours\n", (unsigned long long)acc.samples(), acc.hourCount());
        return 1;
    }
    const bool ok = load + assess <= GoalSeconds && peak <= GoalMb;
    std::printf("month (%u samples, 720 hours, %zu events): load %.3f s + assess and JSON %.3f s = %.3f s (goal <= %.1f s)\n",
                Samples, acc.eventCount(), load, assess, load + assess, GoalSeconds);
    std::printf("  peak memory %.0f MB (%.0f MB before loading; goal <= %.0f MB)\n  %s\n", peak, before, GoalMb,
                ok ? "OK" : "TOO SLOW OR TOO BIG");
    return ok ? 0 : 1;
}
