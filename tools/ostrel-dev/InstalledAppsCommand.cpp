#include "Commands.hpp"
#include "Options.hpp"
#include "app/ai/InstalledApps.hpp"
#include "core/foundation/Json.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace ostrel::dev {

namespace {

// "A:B:C" as folders, in order; empty parts are dropped.
std::vector<std::filesystem::path> folderList(const std::string& text) {
    std::vector<std::filesystem::path> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(':', start), text.size());
        if (end > start) {
            folders.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return folders;
}

} // namespace

// The installed apps as describing a routine lists them, or the one a name means. --folders
// replaces the XDG applications folders, so a test never reads the machine's own.
int installedAppsCommand(const Arguments& arguments) {
    const Options options("installed-apps", arguments, {"--match", "--locale", "--folders"});
    if (!options.positional().empty()) {
        throw options.error("takes no arguments, not \"" + options.positional().front() + "\"");
    }
    const std::string locale = options.text("--locale").value_or("en_US");
    const auto folders = options.text("--folders");
    const std::vector<InstalledApps::App> apps =
        folders ? InstalledApps::all(folderList(*folders), locale) : InstalledApps::all(locale);

    if (const auto name = options.text("--match")) {
        const auto found = InstalledApps::match(*name, apps);
        std::cout << json::encode(json::Value{{"match", found ? json::Value(*found) : json::Value()}}) << '\n';
        return 0;
    }
    json::Value list = json::Value::array();
    for (const InstalledApps::App& app : apps) {
        list.push_back({{"name", app.name}, {"bundleID", app.bundleID}});
    }
    std::cout << json::encode(list) << '\n';
    return 0;
}

} // namespace ostrel::dev
