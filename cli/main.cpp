// pelzo: the meter link program without a window.
#include "cli/cli.h"

#include "files/openfile.h"
#include "files/record.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace pelzo::cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

const char* const Usage =
    "usage: pelzo COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  live [--record] [--seconds N]   watch the level once a second; --record writes a record file\n"
    "  show FILE                       print the rows of a record, text or spreadsheet file\n"
    "  convert IN OUT                  convert between .pzo, .txt and .xls\n"
    "  stats FILE                      acoustic statistics of a recording\n"
    "  report FILE [OPTIONS]           noise assessment: exposure, hours, periods, events; JSON, PDF\n"
    "  settings [OPTIONS]              print or change the meter's settings\n"
    "  clock-sync                      set the meter's clock from the computer's\n"
    "  card info|ls|get NAME [DEST]|rm NAME   the meter's SD card\n"
    "\n"
    "Run 'pelzo COMMAND --help' for the options of a command.\n";

const char* const LiveUsage =
    "usage: pelzo live [--record] [--seconds N]\n"
    "\n"
    "Connects to the meter once a second, like the desktop window does, and prints one line per\n"
    "reading: time, level (dB), weighting (A/C), speed (FAST/SLOW) and range index.\n"
    "\n"
    "  --record      record into a new record file (.pzo) in the working directory; its name is\n"
    "                coded from the start date and time, and every sample is on disk at once\n"
    "  --seconds N   stop after N ticks (default: run until interrupted with Ctrl-C)\n"
    "\n"
    "Connection changes and meter failures are reported on standard error.\n";

const char* const ShowUsage =
    "usage: pelzo show FILE\n"
    "\n"
    "Loads FILE as the open command of the desktop window does (the kind comes from the\n"
    "characters after the first '.' of the file name) and prints the table rows, the five cells\n"
    "REC, dB, A/C, Time and Date joined by tabs.\n";


void PrintSample(const MainState& st)
{
    const ReadingTexts& t = st.LiveTexts;
    Out(t.Time + QLatin1Char('\t') + t.Level + QLatin1Char('\t') + t.Weighting + QLatin1Char('\t') + t.Speed +
        QLatin1Char('\t') + t.Range);
    FlushOut();  // a reader at the other end of a pipe sees each second as it comes
}

}  // namespace

int CmdLive(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(LiveUsage, stdout);
        return 0;
    }
    bool record = false;
    long long seconds = -1;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--record")) {
            record = true;
        } else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            bool ok = false;
            seconds = args[++i].toLongLong(&ok);
            if (!ok || seconds < 0) {
                Err(QStringLiteral("pelzo live: --seconds takes a whole number"));
                return 2;
            }
        } else {
            Err(QStringLiteral("pelzo live: unknown option ") + args[i]);
            std::fputs(LiveUsage, stderr);
            return 2;
        }
    }
    MainState& st = c.st;
    st.UsbLinked = c.usb.OpenMeter() == MeterOpened;
    if (record) {
        ToolButton3Click(c.core);
        if (!st.Recording) return 1;
        Err(QStringLiteral("recording to ") + st.RecFileName);
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    bool wasLinked = st.UsbLinked;
    bool reported = false;
    const int messagesBefore = c.dialogs.shown();
    for (long long tick = 0; (seconds < 0 || tick < seconds) && !g_stop; ++tick) {
        c.pause.pause(1000);
        if (g_stop) break;
        const uint32_t before = st.SampleCount;
        const TickResult r = Timer1STimer(c.core);
        const bool polled = !record && r.linked && LivePoll(c.core);
        if (r.linked != wasLinked || !reported) {
            Err(TrimControls(st.LabelUSBState));
            if (!r.linked && c.usb.lastOpenDenied()) Err(MsgNoPermission);
            wasLinked = r.linked;
            reported = true;
        }
        if (record ? st.SampleCount != before : polled) PrintSample(st);
        if (record && !st.Recording) break;  // the record file could not be written
    }
    if (record) {
        Err(QStringLiteral("%1 samples in %2").arg(st.SampleCount).arg(st.RecFileName));
        CloseRecFile(st);
    }
    return c.dialogs.shown() > messagesBefore ? 1 : 0;
}

int CmdShow(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(ShowUsage, stdout);
        return 0;
    }
    if (args.size() != 1) {
        std::fputs(ShowUsage, stderr);
        return 2;
    }
    if (const int rc = LoadForCommand(c, c.core, "show", args[0])) return rc;
    PrintRows(c.st);
    return 0;
}

}  // namespace pelzo::cli

int main(int argc, char** argv)
{
    using namespace pelzo::cli;
    // The PDF report lays out text with QtGui's fonts; the tool never shows a window.
    bool needsGui = false;
    for (int i = 2; argc > 1 && std::strcmp(argv[1], "report") == 0 && i < argc; ++i)
        needsGui |= std::strcmp(argv[i], "--pdf") == 0;
    if (needsGui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        needsGui ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = app->arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        std::fputs(Usage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const std::map<QString, std::function<int(Context&, const QStringList&)>> commands{
        {QStringLiteral("live"), CmdLive},         {QStringLiteral("show"), CmdShow},
        {QStringLiteral("card"), CmdCard},         {QStringLiteral("settings"), CmdSettings},
        {QStringLiteral("clock-sync"), CmdClockSync}, {QStringLiteral("convert"), CmdConvert},
        {QStringLiteral("stats"), CmdStats},      {QStringLiteral("report"), CmdReport},
    };
    const QString name = args.takeFirst();
    const auto it = commands.find(name);
    if (it == commands.end()) {
        Err(QStringLiteral("pelzo: unknown command ") + name);
        std::fputs(Usage, stderr);
        return 2;
    }
    Context c;
    c.st.AppDir = QDir::currentPath();
    return it->second(c, args);
}
