#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Settings.hpp"

#include <filesystem>
#include <iostream>

namespace ostrel::dev {

namespace {

constexpr const char* actions = "list, get KEY, set KEY JSON or delete KEY";

std::string encodeLine(const Options& options, const json::Value& value) {
    try {
        return json::encode(value);
    } catch (const json::EncodingError& error) {
        throw options.error(error.what());
    }
}

} // namespace

// The user's preferences in the folder given with --config, in the tagged JSON form the file
// holds. Reading never creates the folder; a corrupt file is moved aside as the application would.
int settingsCommand(const Arguments& arguments) {
    const Options options("settings", arguments, {"--config"});
    const auto folder = options.text("--config");
    if (!folder) {
        throw UsageError{"expects --config DIR"};
    }
    const auto& positional = options.positional();
    if (positional.empty()) {
        throw UsageError{std::string("expects ") + actions};
    }
    const std::string& action = positional[0];
    const std::size_t expected = action == "list" ? 1 : action == "set" ? 3 : 2;
    if ((action != "list" && action != "get" && action != "set" && action != "delete") ||
        positional.size() != expected) {
        throw UsageError{std::string("expects ") + actions};
    }
    const bool reads = action == "list" || action == "get";
    if (reads && !std::filesystem::exists(std::filesystem::symlink_status(*folder))) {
        if (action == "list") {
            std::cout << "{}\n";
            return 0;
        }
        throw options.error("no value for " + positional[1]);
    }

    try {
        Settings settings{std::filesystem::path(*folder)};
        if (action == "list") {
            std::cout << encodeLine(options, settings.snapshot()) << '\n';
        } else if (action == "get") {
            const auto value = settings.get(positional[1]);
            if (!value) {
                throw options.error("no value for " + positional[1]);
            }
            std::cout << encodeLine(options, Settings::tagged(*value)) << '\n';
        } else if (action == "set") {
            json::Value parsed;
            try {
                parsed = json::parse(positional[2]);
            } catch (const json::DecodingError& error) {
                throw options.error(std::string("the value is not JSON: ") + error.what());
            }
            settings.set(positional[1], Settings::untagged(parsed));
        } else {
            settings.remove(positional[1]);
        }
    } catch (const SettingsError& error) {
        throw options.error(error.what());
    }
    return 0;
}

} // namespace ostrel::dev
