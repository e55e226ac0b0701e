#include "app/autopilot/SmartNames.hpp"

#include "platform/SettingsKeys.hpp"

#include <map>
#include <string>

namespace ostrel::SmartNames {

PlanningPass::SmartNames cached(const Settings& settings) {
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::smartNames);
    const SettingsDictionary* dictionary = stored ? stored->as<SettingsDictionary>() : nullptr;
    if (dictionary == nullptr) {
        return {};
    }
    std::map<std::string, std::string, std::less<>> names;
    for (const auto& [id, value] : *dictionary) {
        if (const std::string* name = value.as<std::string>(); name != nullptr && !name->empty()) {
            names.emplace(id, *name);
        }
    }
    return [names = std::move(names)](const std::string& id) -> std::optional<std::string> {
        const auto found = names.find(id);
        return found == names.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
}

} // namespace ostrel::SmartNames
