#include "platform/SingleInstance.hpp"

#include "core/foundation/Logger.hpp"
#include "core/foundation/UserFolders.hpp"
#include "platform/Settings.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace fs = std::filesystem;

namespace {

const Logger logger("instance");

std::string failure(const std::string& what, const fs::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

// Creates each missing folder of path, owner only; an existing one is left as it is.
void makeFolders(const fs::path& path) {
    fs::path sofar;
    for (const fs::path& part : path) {
        sofar /= part;
        if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) {
            throw SingleInstanceError(failure("Couldn't create the folder", sofar, errno));
        }
    }
}

} // namespace

fs::path SingleInstance::lockPath(const AppInfo::Environment& environment) {
    const std::string name = std::string(AppInfo::applicationID()) + ".lock";
    if (const auto runtime = environment("XDG_RUNTIME_DIR")) {
        const fs::path folder(*runtime);
        std::error_code error;
        if (folder.is_absolute() && fs::is_directory(folder, error)) {
            return folder / name;
        }
    }
    std::optional<std::string> home = environment("HOME");
    if (!home || home->empty()) {
        home = UserFolders::home();
    }
    return Settings::defaultFolder(environment("XDG_CONFIG_HOME"), home) / name;
}

SingleInstance::SingleInstance(fs::path lockFile) : lockFile_(std::move(lockFile)) {}

SingleInstance::~SingleInstance() {
    nextTry_.cancel();
    if (fd_ >= 0) {
        ::close(fd_); // closing the last descriptor of the open file lets go of the lock
    }
}

bool SingleInstance::tryAcquire() {
    if (fd_ >= 0) {
        return true;
    }
    if (lockFile_.has_parent_path()) {
        makeFolders(lockFile_.parent_path());
    }
    const int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        throw SingleInstanceError(failure("Couldn't open the lock file", lockFile_, errno));
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return false;
        }
        throw SingleInstanceError(failure("Couldn't lock", lockFile_, error));
    }
    fd_ = fd;
    return true;
}

void SingleInstance::acquire(Executor& executor, std::function<void(bool)> done, int waits, double interval) {
    done_ = std::move(done);
    nextTry_ = executor.postAfter(0, [this, &executor, waits, interval] { attempt(executor, waits, interval); });
}

void SingleInstance::attempt(Executor& executor, int waitsLeft, double interval) {
    bool acquired = false;
    try {
        acquired = tryAcquire();
    } catch (const SingleInstanceError& error) {
        logger.error("%{public}s", error);
        waitsLeft = 0;
    }
    if (!acquired && waitsLeft > 0) {
        nextTry_ = executor.postAfter(interval, [this, &executor, waitsLeft, interval] {
            attempt(executor, waitsLeft - 1, interval);
        });
        return;
    }
    std::exchange(done_, nullptr)(acquired);
}

} // namespace ostrel
