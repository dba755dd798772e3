// pelzo stats: acoustic statistics of a recording.
#include "cli/cli.h"

#include "files/openfile.h"

#include <cstdio>

namespace pelzo::cli {

namespace {

const char* const StatsUsage =
    "usage: pelzo stats FILE\n"
    "\n"
    "Loads FILE (record .pzo, text .txt or spreadsheet .xls) as the open command does and prints\n"
    "one 'name<TAB>value' line each, levels in dB with one decimal:\n"
    "  count     number of samples N (one per second)\n"
    "  duration  N seconds\n"
    "  max, min  highest and lowest level\n"
    "  Leq       energy average, 10 log10(mean(10^(L/10)))\n"
    "  L10, L50, L90  the level exceeded by 10, 50 and 90 % of the samples (nearest rank)\n"
    "  SEL       sound exposure level, Leq + 10 log10(N)\n"
    "Without samples only count and duration are printed; a file that does not load prints\n"
    "nothing but the error.\n";

QString OneDecimal(double v) { return QString::asprintf("%.1f", v); }

}  // namespace

int CmdStats(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(StatsUsage, stdout);
        return 0;
    }
    if (args.size() != 1) {
        std::fputs(StatsUsage, stderr);
        return 2;
    }
    if (const int rc = LoadForCommand(c, c.core, "stats", args[0])) return rc;
    const LevelStats& s = c.st.Stats;
    Out(QStringLiteral("count\t%1").arg(s.count()));
    Out(QStringLiteral("duration\t%1").arg(s.count()));
    if (s.count() > 0) {
        const std::pair<const char*, double> rows[] = {
            {"max", s.max()}, {"min", s.min()}, {"Leq", s.leq()}, {"L10", s.l10()},
            {"L50", s.l50()}, {"L90", s.l90()}, {"SEL", s.sel()},
        };
        for (const auto& [name, value] : rows) Out(QLatin1String(name) + QLatin1Char('\t') + OneDecimal(value));
    }
    return 0;
}

}  // namespace pelzo::cli
