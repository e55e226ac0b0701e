#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Where a user's files live by the XDG base-directory rules, read once at the edges (the store's
// default file, the settings folder) and passed in everywhere else.
namespace ostrel::UserFolders {

// The environment variable's value, or nothing when it is unset.
std::optional<std::string> environment(const char* name);

// $HOME, or the password database's home folder when HOME is unset or empty.
std::optional<std::string> home();

// An XDG base folder: the variable's value when it is an absolute path, else home/fallback
// (".local/share" for data, ".config" for configuration).
std::filesystem::path base(const std::optional<std::string>& xdgValue, const std::optional<std::string>& home,
                           const std::filesystem::path& fallback);

} // namespace ostrel::UserFolders
