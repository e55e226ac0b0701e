#include "Commands.hpp"
#include "Options.hpp"
#include "app/shell/LaunchAtLogin.hpp"
#include "core/foundation/Json.hpp"
#include "platform/linux/XdgAutostart.hpp"

#include <filesystem>
#include <iostream>

namespace ostrel::dev {

// Starting at login through the desktop's autostart folder, the way the settings window changes
// it: on and off go through LaunchAtLogin, so a failure shows as its lastError and not as an exit
// status. Without --folder it is the user's own autostart folder; without --exe the entry starts
// this tool, which is enough to try it out.
int loginItemCommand(const Arguments& arguments) {
    const Options options("login-item", arguments, {"--folder", "--exe"});
    const std::string& action = options.single("status, on or off");
    if (action != "status" && action != "on" && action != "off") {
        throw options.error("expects status, on or off, not \"" + action + "\"");
    }

    XdgAutostart::Paths paths = XdgAutostart::userPaths();
    if (const auto folder = options.text("--folder")) {
        paths.folder = *folder;
    }
    if (const auto executable = options.text("--exe")) {
        if (executable->empty()) {
            throw options.error("--exe expects a path");
        }
        paths.executable = std::filesystem::absolute(*executable);
    }
    XdgAutostart items(std::move(paths));
    LaunchAtLogin launch(items);
    if (action != "status") {
        launch.set(action == "on");
    }

    json::Value line{{"status", std::string(toString(launch.status()))}, {"lastError", nullptr}};
    if (launch.lastError()) {
        line["lastError"] = *launch.lastError();
    }
    std::cout << json::encode(line) << '\n';
    return 0;
}

} // namespace ostrel::dev
