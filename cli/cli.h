// Shared pieces of the command-line tool: the seams without a desk and the core they drive.
#pragma once

#include "app/mainstate.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QStringList>

#include <memory>

namespace pelzo::cli {

// Messages go to standard error; a question takes its first positive answer.
class StderrDialogs final : public Dialogs {
public:
    int message(const Message& m) override;
    std::optional<QString> openFile(const QString&) override { return std::nullopt; }
    std::optional<SaveChoice> saveFile(const QString&) override { return std::nullopt; }
    std::optional<Rgb> pickColor(Rgb) override { return std::nullopt; }
    void withProgress(ProgressKind, const std::function<void()>& work) override { work(); }
    int shown() const { return shown_; }

private:
    int shown_ = 0;
};

// Everything one run of the tool works with.
struct Context {
    Context();
    MainState st;
    StderrDialogs dialogs;
    SystemClock clock;
    SleepPause pause;
    PlainTimer timer;
    Appusb usb;
    Core core;
};

void Out(const QString& line);  // a line to standard output (buffered)
void FlushOut();                // what Out wrote, out now
void Err(const QString& line);  // a line to standard error

// Subcommands; each returns the exit status.
int CmdLive(Context& c, const QStringList& args);
int CmdShow(Context& c, const QStringList& args);
int CmdCard(Context& c, const QStringList& args);
int CmdSettings(Context& c, const QStringList& args);
int CmdClockSync(Context& c, const QStringList& args);
int CmdConvert(Context& c, const QStringList& args);
int CmdStats(Context& c, const QStringList& args);
int CmdReport(Context& c, const QStringList& args);

inline bool WantsHelp(const QStringList& args)
{
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}

// Loads `path` into the views as the open command does, with `core`. The exit status: 0 when
// loaded, 2 (told why) when its kind is none the open command knows, 1 when the load reported an
// error.
int LoadForCommand(Context& c, Core& core, const char* command, const QString& path);

// Prints the table rows 1 to SampleCount, the five cells joined by tabs.
void PrintRows(const MainState& st);

}  // namespace pelzo::cli
