#include "app/autopilot/Shortcuts.hpp"

#include "core/foundation/Utf8.hpp"

#include <algorithm>

namespace ostrel {

std::vector<std::string> Shortcuts::parseNames(const std::string& output) {
    const std::string text = repairUtf8(output);
    std::vector<std::string> names;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        if (end > begin) {
            names.push_back(text.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    // Byte order of well-formed UTF-8 is code-point order.
    std::ranges::sort(names);
    return names;
}

bool Shortcuts::available() {
    const Availability availability = runner_.availability();
    if (!availability.available) {
        logger_.notice("The shortcuts tool is not available: %{public}s", availability.reason);
    }
    return availability.available;
}

std::vector<std::string> Shortcuts::names() {
    if (!available()) {
        return {};
    }
    const auto result = runner_.run({"list"}, limits_.list);
    if (!result) {
        logger_.error("The shortcuts tool could not be started");
        return {};
    }
    if (result->killed) {
        logger_.error("The shortcuts tool was stopped before it listed the shortcuts");
        return {};
    }
    return parseNames(result->output);
}

void Shortcuts::run(const std::string& name) {
    // The tool would take a leading "-" for an option of its own.
    if (name.empty() || name.front() == '-') {
        logger_.error("Refused to run a shortcut named %s", name);
        return;
    }
    if (!available()) {
        return;
    }
    runner_.start({"run", name}, limits_.run);
}

} // namespace ostrel
