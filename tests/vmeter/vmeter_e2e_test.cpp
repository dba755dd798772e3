// The virtual-meter program from the outside: a libusb 0.1 client under it, the trace file byte
// for byte, the control pipe, signals and the exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string VirtualMeterBin = VMETER_BIN;
const std::string ClientBin = VMETER_CLIENT_BIN;

// A started process with its standard output on a pipe; never outlives the test.
class Process {
public:
    explicit Process(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
            ::execv(argv[0], argv.data());
            ::_exit(126);
        }
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Process()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGTERM);  // forwarded to the command
            if (wait(std::chrono::seconds(3)) < 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        ::close(out_);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }

    // The next line of output, or "<timeout>" / "<eof>".
    std::string line(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return "<timeout>";
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0) continue;
            char buf[1024];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0) return "<eof>";
            buffer_.append(buf, std::size_t(n));
        }
    }

    // All remaining output, to the end (before the process is reaped).
    std::string rest(std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        std::string all;
        for (std::string l; (l = line(timeout)) != "<eof>" && l != "<timeout>";) all += l + "\n";
        return all;
    }

    // Exit status (as a shell reports it), or -1 on timeout.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                reaped_ = true;
                if (WIFEXITED(status)) return WEXITSTATUS(status);
                return 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    std::string buffer_;
};

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/vmeter-e2e-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Args(std::vector<std::string> options, std::vector<std::string> clientSteps)
{
    std::vector<std::string> a{VirtualMeterBin};
    a.insert(a.end(), options.begin(), options.end());
    a.push_back("--");
    a.push_back(ClientBin);
    a.insert(a.end(), clientSteps.begin(), clientSteps.end());
    return a;
}

TEST(VirtualMeterProgram, TracesEveryTransferAndPassesOnTheExitStatus)
{
    TempDir dir;
    Spit(dir.file("levels"), "59.8\n\n100.0\n");
    Process p(Args({"--setup", "0x0b", "--levels", dir.file("levels"), "--trace", dir.file("trace")},
                   {"c0,2,0001,0000,1", "c0,4,0001,0000,4", "c0,4,0001,0000,4", "c0,4,0001,0000,2", "40,5,2400,0703,0",
                    "40,5,1401,0905,0", "40,81,2345,0001,4,45230100", "c0,9,0000,0000,1", "c0,3,0029,0000,1", "exit=3"}));
    EXPECT_EQ(p.rest(), "1 0b\n"
                        "4 2a2d0000\n"
                        "4 bc2e0000\n"
                        "2 bc2e\n"
                        "0 -\n"
                        "0 -\n"
                        "4 -\n"
                        "-32 -\n"
                        "1 29\n");
    EXPECT_EQ(p.wait(), 3);
    EXPECT_EQ(Slurp(dir.file("trace")), "c0 2 0001 0000 1 0b\n"
                                        "c0 4 0001 0000 4 2a2d0000\n"
                                        "c0 4 0001 0000 4 bc2e0000\n"
                                        "c0 4 0001 0000 2 bc2e\n"
                                        "40 5 2400 0703 0 -\n"
                                        "40 5 1401 0905 0 -\n"
                                        "40 81 2345 0001 4 45230100\n"
                                        "c0 9 0000 0000 1 -\n"
                                        "c0 3 0029 0000 1 29\n");
}

TEST(VirtualMeterProgram, CardFailureAndUnplugAfter)
{
    TempDir dir;
    std::string image(4 * 512, '\0');
    for (std::size_t i = 0; i < 512; ++i) image[512 + i] = char(i & 0xFF);
    Spit(dir.file("card.img"), image);
    Process p(Args({"--card", dir.file("card.img"), "--fail-request", "2", "--unplug-after", "5", "--trace", dir.file("trace")},
                   {"c0,2,0001,0000,1", "40,81,0001,0000,4,01000000", "40,81,0001,0000,4,01000000",
                    "40,83,0000,0000,4,00000000", "c0,80,0800,0004,8", "c0,80,0800,0004,8", "c0,2,0001,0000,1"}));
    EXPECT_EQ(p.rest(), "1 40\n"
                        "-32 -\n"
                        "4 -\n"
                        "4 -\n"
                        "8 0405060708090a0b\n"
                        "-19 -\n"
                        "-19 -\n");
    EXPECT_EQ(p.wait(), 0);
    EXPECT_EQ(Slurp(dir.file("trace")), "c0 2 0001 0000 1 40\n"
                                        "40 81 0001 0000 4 -\n"
                                        "40 81 0001 0000 4 01000000\n"
                                        "40 83 0000 0000 4 00000000\n"
                                        "c0 80 0800 0004 8 0405060708090a0b\n");
}

TEST(VirtualMeterProgram, ControlPipeUnplugsPlugsAndChangesTheCard)
{
    TempDir dir;
    Spit(dir.file("card.img"), std::string(1024, '\0'));
    const std::string fifo = dir.file("control");  // made by the program
    Process p(Args({"--control", fifo, "--trace", dir.file("trace")},
                   {"c0,2,0001,0000,1", "until-gone", "until-found", "c0,2,0001,0000,1", "until-gone", "until-found",
                    "c0,2,0001,0000,1"}));
    ASSERT_EQ(p.line(), "1 00");
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    auto send = [&](const std::string& text) {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text.data(), text.size()), ssize_t(text.size()));
        ::close(fd);
    };
    send("card " + dir.file("card.img") + "\nunplug\n");
    EXPECT_EQ(p.line(), "gone");
    send("plug\n");
    EXPECT_EQ(p.line(), "found");
    EXPECT_EQ(p.line(), "1 40");
    send("nocard\nbogus\nunplug\n");
    EXPECT_EQ(p.line(), "gone");
    send("plug\n");
    EXPECT_EQ(p.line(), "found");
    EXPECT_EQ(p.line(), "1 00");
    EXPECT_EQ(p.rest(), "");
    EXPECT_EQ(p.wait(), 0);
    EXPECT_EQ(Slurp(dir.file("trace")), "c0 2 0001 0000 1 00\nc0 2 0001 0000 1 40\nc0 2 0001 0000 1 00\n");
}

TEST(VirtualMeterProgram, TermIsPassedToTheCommandsGroup)
{
    Process p(Args({}, {"pid", "sleep=30000"}));
    const std::string pidText = p.line();
    ASSERT_NE(pidText.find_first_not_of("0123456789"), 0u) << pidText;
    const pid_t client = pid_t(std::stoi(pidText));
    ASSERT_EQ(::kill(p.pid(), SIGTERM), 0);
    EXPECT_EQ(p.wait(std::chrono::seconds(10)), 128 + SIGTERM);
    EXPECT_EQ(::kill(client, 0), -1);  // gone, and reaped
    EXPECT_EQ(errno, ESRCH);
}

TEST(VirtualMeterProgram, CommandSeesThePreloadAppendedAndTheTestbed)
{
    Process p({VirtualMeterBin, "--", "/bin/sh", "-c", "echo \"$LD_PRELOAD\"; test -n \"$UMOCKDEV_DIR\" && ls /dev/bus/usb/001"},
              {"LD_PRELOAD=libm.so.6"});
    const std::string preload = p.line();
    EXPECT_NE(preload.find("libumockdev-preload.so.0"), std::string::npos) << preload;
    EXPECT_NE(preload.find("libm.so.6"), std::string::npos) << preload;
    EXPECT_EQ(p.rest(), "001\n002\n");
    EXPECT_EQ(p.wait(), 0);
}

TEST(VirtualMeterProgram, UsageAndStartErrors)
{
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{VirtualMeterBin}, 2},
        {{VirtualMeterBin, "--bogus", "--", "/bin/true"}, 2},
        {{VirtualMeterBin, "--setup", "256", "--", "/bin/true"}, 2},
        {{VirtualMeterBin, "--fail-request", "0", "--", "/bin/true"}, 2},
        {{VirtualMeterBin, "--levels", "/nonexistent/levels", "--", "/bin/true"}, 2},
        {{VirtualMeterBin, "--card", "/nonexistent/card.img", "--", "/bin/true"}, 2},
        {{VirtualMeterBin, "--", "/nonexistent/command"}, 127},
        {{VirtualMeterBin, "--", "/bin/false"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        Process p(c.args);
        p.rest();
        EXPECT_EQ(p.wait(), c.status);
    }
    Process help({VirtualMeterBin, "--help"});
    const std::string text = help.rest();
    for (const char* option : {"--card", "--setup", "--levels", "--trace", "--fail-request", "--unplug-after", "--control"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    EXPECT_EQ(help.wait(), 0);
}

TEST(VirtualMeterProgram, BadLevelsFileIsRefused)
{
    TempDir dir;
    Spit(dir.file("levels"), "59.8\nloud\n");
    Process p(Args({"--levels", dir.file("levels")}, {}));
    p.rest();
    EXPECT_EQ(p.wait(), 2);
}

}  // namespace
