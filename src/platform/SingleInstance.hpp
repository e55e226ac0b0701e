#pragma once

#include "platform/AppInfo.hpp"
#include "platform/Executor.hpp"

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace ostrel {

// The lock file could not be opened or locked for a reason other than another holder.
class SingleInstanceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One running copy per user, decided by an exclusive flock on a lock file, never by a list of
// processes: the lock goes with the process however it ends, so a crashed copy never blocks the
// next start. The lock belongs to the open file, so two objects on the same file conflict even in
// one process. Held for the object's life.
//
// Not synchronised: use it on one thread (the main executor's).
class SingleInstance {
public:
    // "<application id>.lock" in $XDG_RUNTIME_DIR when that is set, absolute and a directory,
    // else in the settings folder.
    static std::filesystem::path lockPath(const AppInfo::Environment& environment = AppInfo::processEnvironment());

    explicit SingleInstance(std::filesystem::path lockFile);
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    const std::filesystem::path& lockFile() const { return lockFile_; }

    // True once held; false while another holder has it. Creates the lock file (0600) and a
    // missing folder (0700). Throws SingleInstanceError when the file cannot be opened (a symbolic
    // link in its place, no permission) or locked.
    bool tryAcquire();
    bool held() const { return fd_ >= 0; }

    // Tries now and after each of `waits` waits of `interval` seconds on executor, with the loop
    // running (timers, no blocking sleep): an older copy that is quitting gets time to let go.
    // done(true) on executor as soon as the lock is held; done(false) when the try after the last
    // wait fails too, or at once when tryAcquire() throws (logged). Returns at once; destroying
    // this object before the end cancels the tries and done is never called.
    void acquire(Executor& executor, std::function<void(bool)> done, int waits = 20, double interval = 0.5);

private:
    void attempt(Executor& executor, int waitsLeft, double interval);

    std::filesystem::path lockFile_;
    int fd_ = -1;
    std::function<void(bool)> done_;
    TaskHandle nextTry_;
};

} // namespace ostrel
