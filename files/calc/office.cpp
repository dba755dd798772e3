#include "office.h"

#include <cctype>
#include <cstdio>
#include <rtl/digest.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pelzo::calc {

namespace {

// Lock files would be left beside a workbook if the office were killed; the private profile
// turns them off (and the first-start steps that only cost time).
constexpr const char* kRegistry = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseDocumentOOoLockFile" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseDocumentSystemFileLocking" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Save/Document"><prop oor:name="WarnAlienFormat" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/AutoSave"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/RecoveryInfo"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";

std::filesystem::path TempRoot()
{
    const char* t = std::getenv("TMPDIR");
    return (t && *t) ? std::filesystem::path(t) : std::filesystem::temp_directory_path();
}

// A file URL for a plain absolute path: every byte outside the unreserved set is escaped.
std::string FileUrl(const std::filesystem::path& p)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char ch : p.string()) {
        if (std::isalnum(ch) || ch == '/' || ch == '-' || ch == '_' || ch == '.' || ch == '~') {
            out += char(ch);
        } else {
            out += '%';
            out += hex[ch >> 4];
            out += hex[ch & 15];
        }
    }
    return out;
}

}  // namespace

PrivateProfile::PrivateProfile(const std::string& root)
{
    std::string templ = ((root.empty() ? TempRoot() : std::filesystem::path(root)) / "pelzo-calc-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error(std::string("cannot create a temporary folder: ") + std::strerror(errno));
    dir_ = buf.data();
    std::filesystem::create_directories(dir_ / "profile" / "user");
    std::ofstream(dir_ / "profile" / "user" / "registrymodifications.xcu") << kRegistry;
}

// The office's single-instance pipe is named after the MD5 of its profile URL in UTF-16, each
// byte in hex without padding.
std::string SingleInstancePipe(const std::string& installationUrl)
{
    std::u16string url(installationUrl.begin(), installationUrl.end());  // the URL is ASCII
    std::vector<unsigned char> bytes;
    for (char16_t ch : url) {
        bytes.push_back(static_cast<unsigned char>(ch & 0xff));
        bytes.push_back(static_cast<unsigned char>(ch >> 8));
    }
    sal_uInt8 md5[RTL_DIGEST_LENGTH_MD5];
    rtl_digest_MD5(bytes.data(), sal_uInt32(bytes.size()), md5, sizeof md5);
    std::string out = "SingleOfficeIPC_";
    char hex[4];
    for (sal_uInt8 b : md5) {
        std::snprintf(hex, sizeof hex, "%x", unsigned(b));
        out += hex;
    }
    return out;
}

void PrivateProfile::removePipeSocket() const
{
    const std::string prefix = "OSL_PIPE_" + std::to_string(getuid()) + "_";
    std::error_code ec;
    for (const char* dir : {"/tmp", "/var/tmp"}) {
        std::filesystem::remove(std::filesystem::path(dir) / (prefix + pipeName()), ec);
        std::filesystem::remove(std::filesystem::path(dir) / (prefix + SingleInstancePipe(installationUrl())), ec);
    }
}

PrivateProfile::~PrivateProfile()
{
    removePipeSocket();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string PrivateProfile::installationUrl() const { return FileUrl(dir_ / "profile"); }

std::string PrivateProfile::pipeName() const
{
    // The folder name is unique on this machine while it exists.
    return "pelzo_calc_" + std::to_string(getpid()) + "_" + dir_.filename().string().substr(std::string("pelzo-calc-").size());
}

OfficeProcess::~OfficeProcess() { finish(std::chrono::milliseconds(0)); }

void OfficeProcess::start(const std::string& soffice, const PrivateProfile& profile)
{
    const std::vector<std::string> args = {
        soffice,
        "-env:UserInstallation=" + profile.installationUrl(),
        "--headless", "--invisible", "--nologo", "--nodefault", "--norestore", "--nolockcheck",
        "--nofirststartwizard",
        "--accept=pipe,name=" + profile.pipeName() + ";urp;StarOffice.ComponentContext",
    };
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, profile.logFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own group, so the wrapper, the splash process and the office itself go down together.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, soffice.c_str(), &fa, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) throw std::runtime_error("cannot run " + soffice + ": " + std::strerror(rc));
    std::lock_guard lock(mutex_);
    pid_ = pid;
    reaped_ = false;
}

bool OfficeProcess::running()
{
    std::lock_guard lock(mutex_);
    if (reaped_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        ::kill(-pid_, SIGKILL);  // whatever it left behind in its group
        return false;
    }
    return true;
}

void OfficeProcess::kill()
{
    std::lock_guard lock(mutex_);
    if (pid_ > 0) ::kill(-pid_, SIGKILL);
}

void OfficeProcess::finish(std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard lock(mutex_);
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    if (!reaped_) {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    pid_ = -1;
}

Watchdog::Watchdog(OfficeProcess& office) : office_(office), thread_([this] { run(); }) {}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void Watchdog::arm(std::chrono::milliseconds timeout)
{
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + timeout;
        armed_ = true;
    }
    cv_.notify_all();
}

void Watchdog::disarm()
{
    std::lock_guard lock(mutex_);
    armed_ = false;
}

bool Watchdog::fired() const
{
    std::lock_guard lock(mutex_);
    return fired_;
}

void Watchdog::run()
{
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!armed_) {
            cv_.wait(lock);
            continue;
        }
        if (cv_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ && std::chrono::steady_clock::now() >= deadline_) {
            fired_ = true;
            armed_ = false;
            office_.kill();
        }
    }
}

}  // namespace pelzo::calc
