#include "app/ai/InstalledApps.hpp"

#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"
#include "core/foundation/UserFolders.hpp"
#include "platform/linux/DesktopEntries.hpp"

#include <algorithm>
#include <numeric>

namespace ostrel::InstalledApps {

namespace {

// Lower-cased and composed, so that "contains" compares canonically equivalent text alike.
std::string folded(std::string_view text) {
    return text::composed(text::lowercased(text));
}

std::string_view trimmedOfBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::optional<std::string> match(std::string_view name, const std::vector<App>& apps) {
    const std::string query = std::string(trimmedOfBlanks(folded(name)));
    if (query.empty() || apps.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    names.reserve(apps.size());
    for (const App& app : apps) {
        names.push_back(folded(app.name));
    }
    for (std::size_t i = 0; i < apps.size(); ++i) {
        if (names[i] == query) {
            return apps[i].bundleID;
        }
    }
    for (std::size_t i = 0; i < apps.size(); ++i) {
        if (names[i].find(query) != std::string::npos) {
            return apps[i].bundleID;
        }
    }
    for (std::size_t i = 0; i < apps.size(); ++i) {
        if (query.find(names[i]) != std::string::npos && graphemeClusters(apps[i].name).size() > 3) {
            return apps[i].bundleID;
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> folders() {
    return folders(AppInfo::processEnvironment());
}

std::vector<std::filesystem::path> folders(const AppInfo::Environment& environment) {
    namespace fs = std::filesystem;
    std::optional<std::string> home = environment("HOME");
    if (!home || home->empty()) {
        home = UserFolders::home();
    }
    std::vector<fs::path> bases = {UserFolders::base(environment("XDG_DATA_HOME"), home, ".local/share")};
    std::string dataDirs = environment("XDG_DATA_DIRS").value_or("");
    if (dataDirs.empty()) {
        dataDirs = "/usr/local/share:/usr/share";
    }
    std::size_t start = 0;
    while (start <= dataDirs.size()) {
        const auto end = std::min(dataDirs.find(':', start), dataDirs.size());
        const fs::path dir = dataDirs.substr(start, end - start);
        start = end + 1;
        if (dir.is_absolute()) {
            bases.push_back(dir);
        }
    }
    std::vector<fs::path> result;
    for (const fs::path& base : bases) {
        fs::path folder = (base / "applications").lexically_normal();
        if (std::find(result.begin(), result.end(), folder) == result.end()) {
            result.push_back(std::move(folder));
        }
    }
    return result;
}

std::vector<App> all(const std::string& locale) {
    return all(folders(), locale);
}

std::vector<App> all(const std::vector<std::filesystem::path>& folders, const std::string& locale) {
    const DesktopEntries index = DesktopEntries::scan(folders, locale);
    std::vector<App> apps;
    for (const DesktopEntry& entry : index.entries()) {
        // Without a plain Name the entry is not a valid one, whatever its translations say.
        if (entry.type != "Application" || entry.hidden || entry.noDisplay || entry.name.empty()) {
            continue;
        }
        apps.push_back({entry.shownName(), entry.id});
    }
    // Code-point order of the composed names, each composed once rather than in every comparison.
    std::vector<std::string> keys;
    keys.reserve(apps.size());
    for (const App& app : apps) {
        keys.push_back(text::isAscii(app.name) ? app.name : text::composed(app.name));
    }
    std::vector<std::size_t> order(apps.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<App> sorted;
    sorted.reserve(apps.size());
    for (const std::size_t i : order) {
        sorted.push_back(std::move(apps[i]));
    }
    return sorted;
}

} // namespace ostrel::InstalledApps
