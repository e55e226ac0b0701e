#pragma once

#include "platform/AppInfo.hpp"
#include "platform/LoginItems.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace ostrel {

// Starting at login on a Linux desktop: a desktop entry for this application in the user's
// autostart folder, which the session starts when the user logs in. Only the file named after the
// application id is ever written or removed; the other entries in the folder are the user's.
//
// Threading: every member may be called from any thread; two writers at once both leave a whole
// file, the last one wins.
class XdgAutostart final : public LoginItems {
public:
    struct Paths {
        std::filesystem::path folder;
        std::optional<std::filesystem::path> executable;
    };

    // The user's autostart folder ($XDG_CONFIG_HOME/autostart when that is absolute, else
    // $HOME/.config/autostart, the password database's home when HOME is unset or empty) and this
    // process's own executable (nothing when /proc/self/exe cannot be read or names a deleted file).
    static Paths userPaths(const AppInfo::Environment& environment = AppInfo::processEnvironment());

    // folder: the autostart folder (made on the first registration); executable: the program the
    // entry starts, nothing when it is unknown.
    XdgAutostart(std::filesystem::path folder, std::optional<std::filesystem::path> executable);
    explicit XdgAutostart(Paths paths) : XdgAutostart(std::move(paths.folder), std::move(paths.executable)) {}

    Availability availability() const override { return Availability::yes(); }
    LoginItemStatus status() const override;
    void registerApp() override;
    void unregisterApp() override;

    // <folder>/<application id>.desktop
    const std::filesystem::path& entryPath() const { return entryPath_; }

    // The Exec value that runs executable with no arguments, as it is written in the file: quoted
    // when the path holds a reserved character, "%" doubled, then escaped as a desktop-file value.
    static std::string execValue(const std::filesystem::path& executable);

    // The whole entry for executable.
    static std::string entryText(const std::filesystem::path& executable);

private:
    std::filesystem::path folder_;
    std::optional<std::filesystem::path> executable_;
    std::filesystem::path entryPath_;
};

} // namespace ostrel
