#include "core/foundation/UserFolders.hpp"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace ostrel::UserFolders {

std::optional<std::string> environment(const char* name) {
    if (const char* value = std::getenv(name)) {
        return std::string(value);
    }
    return std::nullopt;
}

std::optional<std::string> home() {
    std::optional<std::string> folder = environment("HOME");
    if (!folder || folder->empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            folder = entry->pw_dir;
        }
    }
    return folder;
}

std::filesystem::path base(const std::optional<std::string>& xdgValue, const std::optional<std::string>& home,
                           const std::filesystem::path& fallback) {
    if (xdgValue && std::filesystem::path(*xdgValue).is_absolute()) {
        return *xdgValue;
    }
    return std::filesystem::path(home.value_or("")) / fallback;
}

} // namespace ostrel::UserFolders
