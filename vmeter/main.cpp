// virtual-meter: runs a command with the virtual meter plugged in.
#include "vmeter/preload.h"
#include "vmeter/sanitizer_defaults.h"
#include "vmeter/virtualmeter.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

PELZO_ASAN_DEFAULTS

namespace {

using pelzo::vmeter::VirtualMeter;

constexpr int UsageStatus = 2;
constexpr int CannotRunStatus = 127;

constexpr const char* Usage = R"(Usage: virtual-meter [OPTION...] -- COMMAND [ARG...]
Runs COMMAND with a virtual sound level meter (USB 16c0:05dc) plugged in, so that the real
libusb 0.1 in COMMAND finds and talks to it. The meter sits at /dev/bus/usb/001/002 beside the
root hub 001/001; the command sees it through the umockdev preload (LD_PRELOAD, UMOCKDEV_DIR).

Options:
  --card IMAGE       put the card image file IMAGE in the meter (default: no card). Sector
                     reads and writes (requests 81, 83, 80) go to the file; settings bit 6 is
                     set while a card is in.
  --setup BYTE       the meter's settings byte at start (decimal or 0x.., default 0): range
                     in bits 0-2, C weighting bit 3, SLOW bit 4, max hold bit 5. Bit 6 always
                     tells whether a card is in, whatever is set or written.
  --levels FILE      levels in dB, one per line (e.g. 59.8), one per reading (request 4), the
                     last one repeated. Default: a gentle random walk around 55 dB.
  --trace FILE       write one line per control transfer, in order:
                       <type> <request> <wValue> <wIndex> <wLength> <data>
                     type two hex digits, request decimal, wValue and wIndex four hex digits,
                     wLength decimal, data the lower-case hex of the bytes that crossed the
                     wire (OUT: sent, IN: answered), or - when none. A transfer the meter
                     stalls (an unknown request, a bad field, --fail-request) is traced with
                     data -. Transfers to an unplugged meter never reach it and are not
                     traced. Each line is on disk before the command gets its answer.
                     Example: c0 4 0001 0000 4 2a2d0000
  --fail-request N   the N-th control transfer (counted from 1, as traced) fails with EPIPE.
                     May be given more than once.
  --unplug-after N   the meter is unplugged right after answering the N-th transfer; open
                     handles then get ENODEV.
  --control FIFO     read commands from the named pipe FIFO (made when missing), one a line:
                       unplug        pull the meter out
                       plug          plug it in again (under a new device number)
                       card IMAGE    put in the card image IMAGE
                       nocard        take the card out
  --help             show this text.

The meter answers vendor requests 2 (settings byte), 3 (write settings byte from wValue),
4 (reading: 4 bytes, the reading word and two zero bytes), 5 (clock, BCD), 80 (move up to
128 bytes of its 512-byte sector buffer at offset wIndex), 81 (select sector) and 83 (op 0
loads, op 1 stores the sector; bits 8-31 from this request, bits 0-7 from the last 81).
Anything else is stalled (EPIPE).

COMMAND runs in its own process group and inherits standard input and output; SIGINT, SIGTERM
and SIGHUP are passed on to the group. When COMMAND ends, whatever it left in its group gets
SIGTERM; should virtual-meter itself be killed, COMMAND gets SIGTERM. The exit status is
COMMAND's (128 + signal when a signal ended it), 127 when it cannot be run, 2 for a usage error.
)";

struct Options {
    std::optional<std::string> card;
    uint8_t setup = 0;
    std::optional<std::string> levels;
    std::optional<std::string> trace;
    std::vector<unsigned> failRequests;
    unsigned unplugAfter = 0;
    std::optional<std::string> control;
    std::vector<std::string> command;
};

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "virtual-meter: %s\nTry 'virtual-meter --help'.\n", message.c_str());
    std::exit(UsageStatus);
}

unsigned long ParseNumber(const std::string& option, const std::string& text, unsigned long min, unsigned long max)
{
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-' || v < min || v > max)
        UsageError(option + ": not a number from " + std::to_string(min) + " to " + std::to_string(max) + ": '" + text + "'");
    return v;
}

Options ParseOptions(int argc, char** argv)
{
    Options o;
    int i = 1;
    auto value = [&](const std::string& option) -> std::string {
        if (i + 1 >= argc) UsageError(option + " needs a value");
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        }
        if (a == "--card") o.card = value(a);
        else if (a == "--setup") o.setup = uint8_t(ParseNumber(a, value(a), 0, 255));
        else if (a == "--levels") o.levels = value(a);
        else if (a == "--trace") o.trace = value(a);
        else if (a == "--fail-request") o.failRequests.push_back(unsigned(ParseNumber(a, value(a), 1, 1u << 31)));
        else if (a == "--unplug-after") o.unplugAfter = unsigned(ParseNumber(a, value(a), 1, 1u << 31));
        else if (a == "--control") o.control = value(a);
        else UsageError("unknown option '" + a + "'");
    }
    for (; i < argc; ++i) o.command.emplace_back(argv[i]);
    if (o.command.empty()) UsageError("no COMMAND given (put it after --)");
    return o;
}

std::vector<double> ReadLevels(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": " + std::strerror(errno));
    std::vector<double> levels;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        char* end = nullptr;
        const double v = std::strtod(line.c_str(), &end);
        while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
        if (end == line.c_str() || *end != '\0' || !std::isfinite(v))
            throw std::runtime_error(path + ":" + std::to_string(n) + ": not a level in dB: '" + line + "'");
        levels.push_back(v);
    }
    return levels;
}

void Configure(VirtualMeter& meter, const Options& o)
{
    meter.setSettings(o.setup);
    if (o.card) meter.attachCard(*o.card);
    if (o.levels) meter.setLevels(ReadLevels(*o.levels));
    if (o.trace) meter.setTraceFile(*o.trace);
    for (unsigned n : o.failRequests) meter.failTransfer(n);
    if (o.unplugAfter) meter.unplugAfter(o.unplugAfter);
}

// ---- the command ----

// argv and environment are made before fork: the host has threads, the child may only exec.
struct ChildPlan {
    std::vector<std::string> args;
    std::vector<std::string> env;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

bool HasPreload(const std::string& ldPreload) { return ldPreload.find("libumockdev-preload.so") != std::string::npos; }

ChildPlan PlanChild(const std::vector<std::string>& command, const std::string& root)
{
    ChildPlan p;
    p.args = command;
    std::string preload;
    for (char** e = environ; *e; ++e) {
        const std::string kv = *e;
        if (kv.rfind("LD_PRELOAD=", 0) == 0) preload = kv.substr(11);
        else if (kv.rfind("UMOCKDEV_DIR=", 0) != 0) p.env.push_back(kv);
    }
    // Append to what the user preloads; add ours only if it is not there yet.
    if (!HasPreload(preload))
        preload = preload.empty() ? pelzo::vmeter::PreloadLibrary : preload + ":" + pelzo::vmeter::PreloadLibrary;
    p.env.push_back("LD_PRELOAD=" + preload);
    p.env.push_back("UMOCKDEV_DIR=" + root);
    for (auto& a : p.args) p.argv.push_back(a.data());
    p.argv.push_back(nullptr);
    for (auto& e : p.env) p.envp.push_back(e.data());
    p.envp.push_back(nullptr);
    return p;
}

// Starts the command in its own process group. Returns its pid, or -1 with errno set when it
// could not be executed (reported back through a close-on-exec pipe).
pid_t StartChild(ChildPlan& plan)
{
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) return -1;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int e = errno;
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        errno = e;
        return -1;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        // Should the host be killed outright, the command must not run on without its meter.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(CannotRunStatus);
        sigset_t all;
        sigemptyset(&all);
        ::sigprocmask(SIG_SETMASK, &all, nullptr);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) ::signal(sig, SIG_DFL);
        ::execvpe(plan.argv[0], plan.argv.data(), plan.envp.data());
        const int e = errno;
        (void)!::write(pipefd[1], &e, sizeof e);
        ::_exit(CannotRunStatus);
    }
    ::setpgid(pid, pid);  // also here, so a signal right after fork finds the group
    ::close(pipefd[1]);
    int childErrno = 0;
    ssize_t n;
    do n = ::read(pipefd[0], &childErrno, sizeof childErrno);
    while (n < 0 && errno == EINTR);
    ::close(pipefd[0]);
    if (n == ssize_t(sizeof childErrno)) {
        ::waitpid(pid, nullptr, 0);
        errno = childErrno;
        return -1;
    }
    return pid;
}

int ExitStatusOf(int waitStatus)
{
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return 1;
}

// ---- the control pipe ----

class ControlPipe {
public:
    ControlPipe(const std::string& path, VirtualMeter& meter) : meter_(meter)
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (errno != ENOENT || ::mkfifo(path.c_str(), 0600) != 0)
                throw std::runtime_error(path + ": " + std::strerror(errno));
        } else if (!S_ISFIFO(st.st_mode)) {
            throw std::runtime_error(path + ": not a named pipe");
        }
        readFd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        // Our own writer end keeps the pipe from reporting end-of-file between writers.
        if (readFd_ >= 0) keepFd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (readFd_ < 0 || keepFd_ < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
        source_ = g_unix_fd_add(readFd_, G_IO_IN, &ControlPipe::onReadable, this);
    }
    ~ControlPipe()
    {
        g_source_remove(source_);
        ::close(keepFd_);
        ::close(readFd_);
    }
    ControlPipe(const ControlPipe&) = delete;
    ControlPipe& operator=(const ControlPipe&) = delete;

private:
    static gboolean onReadable(gint, GIOCondition, gpointer self)
    {
        static_cast<ControlPipe*>(self)->drain();
        return G_SOURCE_CONTINUE;
    }

    void drain()
    {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(readFd_, buf, sizeof buf)) > 0) pending_.append(buf, std::size_t(n));
        std::size_t nl;
        while ((nl = pending_.find('\n')) != std::string::npos) {
            execute(pending_.substr(0, nl));
            pending_.erase(0, nl + 1);
        }
    }

    void execute(std::string line)
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        try {
            if (line == "unplug") meter_.unplug();
            else if (line == "plug") meter_.plug();
            else if (line == "nocard") meter_.detachCard();
            else if (line.rfind("card ", 0) == 0) meter_.attachCard(line.substr(5));
            else if (!line.empty()) std::fprintf(stderr, "virtual-meter: unknown control command '%s'\n", line.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "virtual-meter: %s: %s\n", line.c_str(), e.what());
        }
    }

    VirtualMeter& meter_;
    int readFd_ = -1;
    int keepFd_ = -1;
    guint source_ = 0;
    std::string pending_;
};

// ---- the run ----

struct Run {
    GMainLoop* loop = nullptr;
    pid_t child = -1;
    int status = 0;
};

gboolean ForwardSignal(gpointer data, int sig)
{
    auto* run = static_cast<Run*>(data);
    if (run->child > 0) ::kill(-run->child, sig);
    return G_SOURCE_CONTINUE;
}

gboolean OnSigint(gpointer data) { return ForwardSignal(data, SIGINT); }
gboolean OnSigterm(gpointer data) { return ForwardSignal(data, SIGTERM); }
gboolean OnSighup(gpointer data) { return ForwardSignal(data, SIGHUP); }

void OnChildExit(GPid, gint waitStatus, gpointer data)
{
    auto* run = static_cast<Run*>(data);
    run->status = ExitStatusOf(waitStatus);
    g_main_loop_quit(run->loop);
}

int RunCommand(VirtualMeter& meter, const Options& o)
{
    std::unique_ptr<GMainLoop, decltype(&g_main_loop_unref)> loop(g_main_loop_new(nullptr, FALSE), &g_main_loop_unref);
    Run run{loop.get()};
    const guint signalSources[] = {g_unix_signal_add(SIGINT, OnSigint, &run), g_unix_signal_add(SIGTERM, OnSigterm, &run),
                                   g_unix_signal_add(SIGHUP, OnSighup, &run)};
    std::optional<ControlPipe> control;
    if (o.control) control.emplace(*o.control, meter);

    ChildPlan plan = PlanChild(o.command, meter.rootDir());
    run.child = StartChild(plan);
    if (run.child < 0) {
        std::fprintf(stderr, "virtual-meter: cannot run %s: %s\n", o.command[0].c_str(), std::strerror(errno));
        run.status = CannotRunStatus;
    } else {
        g_child_watch_add(run.child, OnChildExit, &run);
        g_main_loop_run(loop.get());
        // Whatever the command left behind in its group must not outlive the testbed.
        ::kill(-run.child, SIGTERM);
    }
    for (guint s : signalSources) g_source_remove(s);
    return run.status;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    pelzo::vmeter::EnsurePreloaded(argv);
    try {
        VirtualMeter meter;
        Configure(meter, options);
        return RunCommand(meter, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "virtual-meter: %s\n", e.what());
        return UsageStatus;
    }
}
