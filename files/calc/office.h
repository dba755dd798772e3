// The private office process behind one operation: its own profile in a fresh temporary folder,
// its own pipe name and process group, and a watchdog that kills the group when a call hangs.
// Nothing here knows UNO.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

namespace pelzo::calc {

class PrivateProfile {
public:
    explicit PrivateProfile(const std::string& root);  // "" = $TMPDIR or /tmp; throws std::runtime_error
    ~PrivateProfile();
    PrivateProfile(const PrivateProfile&) = delete;
    PrivateProfile& operator=(const PrivateProfile&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string installationUrl() const;  // for -env:UserInstallation
    std::string pipeName() const;         // unique per operation
    std::filesystem::path logFile() const { return dir_ / "office.log"; }
    // The office's sockets for our pipe and for its single-instance check; a killed office leaves
    // them behind.
    void removePipeSocket() const;

private:
    std::filesystem::path dir_;
};

class OfficeProcess {
public:
    OfficeProcess() = default;
    ~OfficeProcess();  // kills the group if still running and reaps the child
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    // Starts `soffice` headless on `profile`; throws std::runtime_error if it cannot be run.
    void start(const std::string& soffice, const PrivateProfile& profile);
    // False once the child has exited (it is then reaped).
    bool running();
    // Waits up to `timeout` for the child to end by itself; then kills the whole group.
    void finish(std::chrono::milliseconds timeout);
    void kill();  // thread-safe: the watchdog uses it

private:
    std::mutex mutex_;
    pid_t pid_ = -1;  // also the process group id
    bool reaped_ = true;
};

// Arms a deadline around each blocking call; on expiry it kills the office so the call returns.
class Watchdog {
public:
    explicit Watchdog(OfficeProcess& office);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(std::chrono::milliseconds timeout);
    void disarm();
    bool fired() const;

private:
    void run();

    OfficeProcess& office_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::chrono::steady_clock::time_point deadline_{};
    bool armed_ = false;
    bool fired_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// RAII arm/disarm for one call.
class Guarded {
public:
    Guarded(Watchdog& w, std::chrono::milliseconds timeout) : w_(w) { w_.arm(timeout); }
    ~Guarded() { w_.disarm(); }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

private:
    Watchdog& w_;
};

}  // namespace pelzo::calc
