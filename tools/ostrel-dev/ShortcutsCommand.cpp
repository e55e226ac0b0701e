#include "Commands.hpp"
#include "Options.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "core/foundation/Json.hpp"
#include "platform/ProcessCommandRunner.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <iostream>

namespace ostrel::dev {

namespace {

constexpr const char* actions = "list or run NAME";

} // namespace

// The shortcuts tool through the application's own runner: the tool given with --tool, else
// "shortcuts" on the PATH. list prints the names as a JSON array; run starts one and waits for
// the tool to end (at most its five-minute limit), so that leaving does not cut it short.
int shortcutsCommand(const Arguments& arguments) {
    const Options options("shortcuts", arguments, {"--tool"});
    const auto& positional = options.positional();
    if (positional.empty() || (positional[0] == "list" && positional.size() != 1) ||
        (positional[0] == "run" && positional.size() != 2) || (positional[0] != "list" && positional[0] != "run")) {
        throw options.error(std::string("expects ") + actions);
    }

    Settings settings{Settings::inMemory};
    if (const auto tool = options.text("--tool")) {
        if (tool->empty()) {
            throw options.error("--tool expects a path");
        }
        settings.set(settingsKeys::shortcutsTool, *tool);
    }
    ProcessCommandRunner runner(settings);
    if (const Availability availability = runner.availability(); !availability.available) {
        throw options.error(availability.reason);
    }
    const Shortcuts::Limits limits;
    Shortcuts shortcuts(runner, limits);

    if (positional[0] == "list") {
        json::Value names = json::Value::array();
        for (std::string& name : shortcuts.names()) {
            names.push_back(std::move(name));
        }
        std::cout << json::encode(names) << '\n';
        return 0;
    }
    const std::string& name = positional[1];
    if (name.empty() || name.front() == '-') {
        throw options.error("refused the shortcut name \"" + name + "\": it is empty or starts with \"-\"");
    }
    shortcuts.run(name);
    runner.waitForStarted(limits.run + 1);
    return 0;
}

} // namespace ostrel::dev
