#include "app/ai/InstalledApps.hpp"

#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"

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

} // namespace ostrel::InstalledApps
