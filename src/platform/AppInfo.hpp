#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace ostrel {

class Settings;

// What the application knows about itself: its identifier, version, process and resources, and
// the few deployment values ("info" keys, such as the address scores are mailed to) that a release
// is packaged with. Holds no state of its own beyond what it is given; safe from any thread as long as
// the environment lookup is.
class AppInfo {
public:
    // The value of an environment variable, or nothing when it is not set.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    // The process's environment (getenv).
    static Environment processEnvironment();

    // version: the release's version text ("dev" when absent or empty); resourceFolder: where the
    // application's read-only resources are; settings: not owned, must outlive this object.
    AppInfo(std::optional<std::string> version, std::filesystem::path resourceFolder, const Settings& settings,
            Environment environment = processEnvironment());

    // The desktop-file id, also the application's id on the bus.
    static std::string_view applicationID() { return "org.ostrel.Ostrel"; }

    const std::string& version() const { return version_; }
    pid_t pid() const;
    const std::filesystem::path& resourceFolder() const { return resourceFolder_; }

    // The deployment value under key: the environment variable of that name when it is set and not
    // empty, else the text stored in Settings under key, else "".
    std::string info(const std::string& key) const;

private:
    std::string version_;
    std::filesystem::path resourceFolder_;
    const Settings& settings_;
    Environment environment_;
};

} // namespace ostrel
