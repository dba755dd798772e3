// pelzo report: the noise assessment of a recording as tables, JSON or an A4 PDF.
#include "cli/cli.h"

#include "assess/feeder.h"
#include "assess/report.h"
#include "files/openfile.h"

#include <QDir>
#include <QLocale>

#include <cmath>
#include <cstdio>

namespace pelzo::cli {

namespace {

const char* const ReportUsage =
    "usage: pelzo report FILE [--threshold DB] [--min-seconds S] [--json] [--pdf OUT.pdf]\n"
    "\n"
    "Loads FILE (record .pzo, text .txt or spreadsheet .xls) as the open command does and assesses\n"
    "it, each sample standing for one second:\n"
    "  levels    Leq, Lmax and Lmin with their times, L10, L50, L90, SEL (all samples)\n"
    "  exposure  LAeq, LEX,8h, dose and TWA under OSHA PEL, OSHA hearing conservation and NIOSH\n"
    "            (A-weighted samples only; C-weighted ones are counted and left out)\n"
    "  hours     one row per clock hour: start, seconds, Leq, Lmax, L10, L90\n"
    "  periods   Lday 07-19, Levening 19-23, Lnight 23-07, Lden, Ldn (all days pooled)\n"
    "  events    runs of samples at or above the threshold lasting at least S seconds\n"
    "The date starts from the record file's name (or the first row's date) and moves on by a day\n"
    "whenever the time of day goes backwards. A once-a-second reading is no peak measurement.\n"
    "\n"
    "  --threshold DB   event threshold in dB (default 85)\n"
    "  --min-seconds S  shortest event in seconds (default 1)\n"
    "  --json           one JSON object instead of the tables; absent figures are null, times\n"
    "                   local ISO 8601 without zone, 'end' is the end of the last second\n"
    "  --pdf OUT.pdf    also write the report as an A4 PDF\n";

struct ReportOptions {
    QString file;
    assess::EventRule rule;
    bool json = false;
    QString pdf;
};

bool NumberArg(const QString& text, double& out)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// Returns 0 when the options are good, else the exit status.
int ParseOptions(const QStringList& args, ReportOptions& o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        double v = 0;
        if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--threshold") && hasValue && NumberArg(args[i + 1], v)) {
            o.rule.threshold = v;
            ++i;
        } else if (a == QLatin1String("--min-seconds") && hasValue && NumberArg(args[i + 1], v) && v >= 1 &&
                   v <= 1e9 && v == std::floor(v)) {
            o.rule.minSeconds = int(v);
            ++i;
        } else if (a == QLatin1String("--pdf") && hasValue) {
            o.pdf = args[++i];
        } else if (!a.startsWith(QLatin1String("--")) && o.file.isEmpty()) {
            o.file = a;
        } else {
            Err(QStringLiteral("pelzo report: bad option or value: ") + a);
            std::fputs(ReportUsage, stderr);
            return 2;
        }
    }
    if (o.file.isEmpty()) {
        std::fputs(ReportUsage, stderr);
        return 2;
    }
    return 0;
}

}  // namespace

int CmdReport(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(ReportUsage, stdout);
        return 0;
    }
    ReportOptions o;
    if (const int bad = ParseOptions(args, o)) return bad;
    // "./X.pzo" names the same file as "X.pzo"; the kind comes from the first "." of the path.
    c.st.OpenFileName = QDir::cleanPath(o.file);
    const int before = c.dialogs.shown();
    OpenFileIntoViews(c.core);
    if (c.dialogs.shown() > before) return 1;
    const assess::Accumulator acc = assess::AssessState(c.st, o.rule);
    if (o.json) {
        const QByteArray j = assess::ReportJson(acc);
        std::fwrite(j.constData(), 1, size_t(j.size()), stdout);
        std::fflush(stdout);
    } else {
        const QByteArray t = assess::ReportText(o.file, acc).toUtf8();
        std::fwrite(t.constData(), 1, size_t(t.size()), stdout);
        std::fflush(stdout);
    }
    if (!o.pdf.isEmpty() && !assess::WriteReportPdf(o.pdf, o.file, acc)) {
        Err(QStringLiteral("pelzo report: cannot write ") + o.pdf);
        return 1;
    }
    return 0;
}

}  // namespace pelzo::cli
