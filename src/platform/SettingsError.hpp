#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace ostrel {

// A preference that could not be stored or a settings file that could not be used.
class SettingsError : public std::runtime_error {
public:
    enum class Kind {
        fileSystem,    // the folder or the file could not be read, written or replaced
        symbolicLink,  // a symbolic link stands where the folder or the file should be
        invalidValue,  // text that is not UTF-8, a number or date that is not finite
        invalidJSON,   // text given in the tagged JSON form that does not decode
    };

    SettingsError(Kind kind, std::filesystem::path path, const std::string& message)
        : std::runtime_error(message), kind_(kind), path_(std::move(path)) {}

    Kind kind() const { return kind_; }
    const std::filesystem::path& path() const { return path_; }

private:
    Kind kind_;
    std::filesystem::path path_;
};

} // namespace ostrel
