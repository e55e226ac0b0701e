#include "platform/AppInfo.hpp"

#include "platform/Settings.hpp"

#include <cstdlib>
#include <unistd.h>

namespace ostrel {

AppInfo::Environment AppInfo::processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        if (const char* value = std::getenv(name.c_str())) {
            return std::string(value);
        }
        return std::nullopt;
    };
}

AppInfo::AppInfo(std::optional<std::string> version, std::filesystem::path resourceFolder, const Settings& settings,
                 Environment environment)
    : version_(version && !version->empty() ? std::move(*version) : std::string("dev")),
      resourceFolder_(std::move(resourceFolder)), settings_(settings), environment_(std::move(environment)) {}

pid_t AppInfo::pid() const {
    return ::getpid();
}

std::string AppInfo::info(const std::string& key) const {
    if (environment_) {
        if (auto value = environment_(key); value && !value->empty()) {
            return std::move(*value);
        }
    }
    return settings_.text(key).value_or("");
}

} // namespace ostrel
