#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace ostrel {

// A failure of the store that is not SQLite's own: preparing the folder and files, or a file
// written by a newer version of the application.
class StoreError : public std::runtime_error {
public:
    enum class Kind {
        fileSystem,
        symbolicLink,
        unsupportedVersion,
        foreignSchema, // a file at our version whose tables are not the ones it would have
    };

    StoreError(Kind kind, std::filesystem::path path, const std::string& message)
        : std::runtime_error(message), kind_(kind), path_(std::move(path)) {}

    Kind kind() const { return kind_; }
    const std::filesystem::path& path() const { return path_; }

private:
    Kind kind_;
    std::filesystem::path path_;
};

} // namespace ostrel
