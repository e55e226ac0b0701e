#include "platform/AtomicFile.hpp"

#include "core/foundation/FileDescriptor.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

AtomicFileError::AtomicFileError(std::string step, int error)
    : std::runtime_error("cannot " + step + " (" + std::strerror(error) + ")"), step_(std::move(step)), error_(error) {}

void writeFileAtomically(const std::filesystem::path& path, const std::string& text, mode_t mode) {
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        throw AtomicFileError("write beside", errno);
    }
    const auto fail = [&](const char* step) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw AtomicFileError(step, error);
    };
    if (::fchmod(file.get(), mode) != 0) {
        fail("set the permissions of");
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(file.get(), text.data() + written, text.size() - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("write");
        }
        written += static_cast<std::size_t>(count);
    }
    if (::fsync(file.get()) != 0) {
        fail("write");
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        fail("replace");
    }
    // The rename lasts once the folder is on the disk; the file is in place either way.
    const FileDescriptor folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
}

} // namespace ostrel
