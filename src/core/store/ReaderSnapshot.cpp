#include "core/store/ReaderSnapshot.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "core/store/StoreError.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace ostrel {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const fs::path& path, const std::string& action, int error) {
    throw StoreError(StoreError::Kind::fileSystem, path,
                     "Couldn't " + action + " " + path.string() + ": " + std::strerror(error));
}

// Whether path names something; a name that cannot be looked up counts as present, so the copy
// reports why.
bool exists(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Opens path for reading; only a regular file will do (a FIFO or a device could block or never end).
FileDescriptor openRegular(const fs::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        fail(path, "open", errno);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        fail(path, "read", errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw StoreError(StoreError::Kind::fileSystem, path, path.string() + " is not a regular file");
    }
    return file;
}

void copyFile(const fs::path& from, const fs::path& to) {
    const FileDescriptor source = openRegular(from);
    const FileDescriptor target(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (target.get() < 0) {
        fail(to, "create", errno);
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(from, "read", errno);
        }
        if (got == 0) {
            return;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                ::write(target.get(), buffer + written, static_cast<std::size_t>(got - written));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail(to, "write", errno);
            }
            written += put;
        }
    }
}

} // namespace

ReaderSnapshot::ReaderSnapshot(const fs::path& url) {
    openRegular(url); // refuses a missing, unreadable or special file before anything else
    const std::string name = url.string();
    const bool hasWal = exists(name + "-wal");
    const bool hasJournal = exists(name + "-journal");
    if (!hasWal && !hasJournal) {
        path_ = name;
        mode_ = Database::OpenMode::immutable;
        return;
    }

    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "ostrel-read-XXXXXX").string();
    if (error) {
        pattern = "/tmp/ostrel-read-XXXXXX";
    }
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail(pattern, "create the folder", errno);
    }
    folder_ = pattern;
    try {
        const fs::path copy = folder_ / "database.sqlite";
        copyFile(url, copy);
        // A writer at work meanwhile can leave the copy out of date, never the original changed.
        if (hasWal) {
            copyFile(name + "-wal", copy.string() + "-wal");
        }
        if (hasJournal) {
            copyFile(name + "-journal", copy.string() + "-journal");
        }
        path_ = copy.string();
        mode_ = Database::OpenMode::existing;
    } catch (...) {
        fs::remove_all(folder_, error);
        throw;
    }
}

ReaderSnapshot::~ReaderSnapshot() {
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

} // namespace ostrel
