// A month recorded once a second, assessed: the load into the views as the open command does
// it, then the assessment of every sample. Goal: the assessment at most 1 s, the whole run at
// most 400 MB.
#include "assess/feeder.h"
#include "assess/report.h"
#include "files/openfile.h"
#include "files/record.h"
#include "meter/words.h"
#include "tests/support/testseams.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
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
        // A day's swing from 45 to 75 dB with a little noise, and a 30 s burst at 95 dB every two hours.
        const double swing = 60 + 15 * std::sin(double(tod) / 86400 * 6.2831853);
        uint32_t code = uint32_t(std::lround(swing * 10)) - 300 + (k * 7919u) % 40;
        if (tod % 7200 < 30) code = 650;
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
    const double feed = double(t.nsecsElapsed()) / 1e9;
    const QByteArray json = pelzo::assess::ReportJson(acc);
    const double assess = double(t.nsecsElapsed()) / 1e9;
    const double peak = PeakMb();
    if (acc.samples() != Samples || acc.hourCount() != 720) {
        std::fprintf(stderr, "assess bench: %llu samples, %zu hours\n", (unsigned long long)acc.samples(), acc.hourCount());
        return 1;
    }
    // The goal is the assessment's; the load is the open command's own and is shown beside it.
    const bool ok = assess <= GoalSeconds && peak <= GoalMb;
    std::printf("month (%u samples, 720 hours, %zu events): assess and JSON %.3f s (goal <= %.1f s); "
                "the load before it %.3f s, together %.3f s\n",
                Samples, acc.eventCount(), assess, GoalSeconds, load, load + assess);
    std::printf("  of which the feed %.3f s, the JSON (%lld bytes) %.3f s\n", feed, (long long)json.size(), assess - feed);
    std::printf("  peak memory %.0f MB (%.0f MB before loading; goal <= %.0f MB)\n  %s\n", peak, before, GoalMb,
                ok ? "OK" : "TOO SLOW OR TOO BIG");
    return ok ? 0 : 1;
}
