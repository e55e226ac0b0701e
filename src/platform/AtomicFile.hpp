#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/types.h>

namespace ostrel {

// A file that could not be replaced: which step failed ("write beside", "set the permissions of",
// "write", "replace") and the system's error number, for the caller to put in its own words.
class AtomicFileError : public std::runtime_error {
public:
    AtomicFileError(std::string step, int error);
    const std::string& step() const { return step_; }
    int error() const { return error_; }

private:
    std::string step_;
    int error_;
};

// Replaces the file at path with text so that a reader finds the old file or the new one, never a
// part: a temporary file beside it (a dot name that ends in neither the file's own extension nor
// anything a reader looks for), written and synced with the given mode, then renamed over it, and
// the folder synced. On failure the temporary file is gone and path is as it was.
void writeFileAtomically(const std::filesystem::path& path, const std::string& text, mode_t mode);

} // namespace ostrel
