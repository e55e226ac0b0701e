#include "app/ai/SmartNames.hpp"

#include "app/ai/ModelCall.hpp"
#include "app/ai/RoutineTitle.hpp"
#include "app/home/ItemDisplay.hpp"
#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/RoutineName.hpp"
#include "platform/SettingsError.hpp"
#include "platform/SettingsKeys.hpp"

#include <map>
#include <memory>
#include <string>
#include <variant>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel::SmartNames {

namespace {

// How many of a routine's items the prompt names.
constexpr std::size_t namedItems = 6;

// A stored entry names a routine only when it is non-empty text.
const std::string* storedName(const SettingsValue& value) {
    const std::string* name = value.as<std::string>();
    return name != nullptr && !name->empty() ? name : nullptr;
}

bool trimmedAway(UChar32 c) {
    return c >= 0 && (u_isUWhiteSpace(c) || u_ispunct(c));
}

// Adds the name under the id, keeping the other entries; a value that is not a dictionary is
// replaced. Throws SettingsError.
void store(Settings& settings, const std::string& id, const std::string& name) {
    SettingsDictionary names;
    if (const auto stored = settings.get(settingsKeys::smartNames)) {
        if (const auto* dictionary = stored->as<SettingsDictionary>()) {
            names = *dictionary;
        }
    }
    names[id] = name;
    settings.set(settingsKeys::smartNames, std::move(names));
}

} // namespace

PlanningPass::SmartNames cached(const Settings& settings) {
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::smartNames);
    const SettingsDictionary* dictionary = stored ? stored->as<SettingsDictionary>() : nullptr;
    if (dictionary == nullptr) {
        return {};
    }
    std::map<std::string, std::string, std::less<>> names;
    for (const auto& [id, value] : *dictionary) {
        if (const std::string* name = storedName(value)) {
            names.emplace(id, *name);
        }
    }
    return [names = std::move(names)](const std::string& id) -> std::optional<std::string> {
        const auto found = names.find(id);
        return found == names.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
}

std::optional<std::string> cached(const Settings& settings, const std::string& id) {
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::smartNames);
    const SettingsDictionary* dictionary = stored ? stored->as<SettingsDictionary>() : nullptr;
    if (dictionary == nullptr) {
        return std::nullopt;
    }
    const auto found = dictionary->find(id);
    const std::string* name = found == dictionary->end() ? nullptr : storedName(found->second);
    return name != nullptr ? std::optional<std::string>(*name) : std::nullopt;
}

bool wanted(const Routine& routine, const Settings& settings) {
    return std::holds_alternative<ContextKey::Slot>(routine.key.value) && !routine.edits.name &&
           !cached(settings, routine.key.id());
}

std::optional<std::string> cleaned(std::string_view answer) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(answer.data());
    const auto length = static_cast<std::int32_t>(answer.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (!trimmedAway(c)) {
            break;
        }
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (!trimmedAway(c)) {
            break;
        }
        end = previous;
    }
    std::string name(answer.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    if (name.empty() || graphemeClusters(name).size() > longestName) {
        return std::nullopt;
    }
    return name;
}

std::string prompt(const Routine& routine, const std::vector<CalendarSeries>& series,
                   const Calendar& calendar, const Workspace& workspace, const Exclusions& exclusions) {
    std::string names;
    std::size_t count = 0;
    for (const Item& item : routine.items) {
        if (count == namedItems) {
            break;
        }
        if (exclusions.hides(item)) {
            continue;
        }
        if (count++ > 0) {
            names += ", ";
        }
        names += ItemDisplay::name(item, workspace);
    }
    return "They use " + names + " " + text::lowercased(RoutineName::name(routine.key, series, calendar)) +
           ". Name it.";
}

Subscription name(const Routine& routine, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                  const ModelAccess& access, Done done) {
    if (!wanted(routine, access.settings)) {
        done(std::nullopt);
        return {};
    }
    // One answer, through whichever step gets there.
    auto finish = std::make_shared<Done>(std::move(done));
    ModelRequest request{std::string(instructions),
                         prompt(routine, series, calendar, access.workspace, access.exclusions),
                         RoutineTitle::schema()};
    Settings& settings = access.settings;
    return ModelCall::whenAvailable(
        access.model, {[finish] { (*finish)(std::nullopt); },
                       [request = std::move(request)]() -> std::optional<ModelRequest> { return request; },
                       [finish, &settings, id = routine.key.id()](const ModelReply& reply) {
                           std::optional<std::string> name;
                           if (reply.content) {
                               try {
                                   name = cleaned(RoutineTitle::decode(*reply.content).name);
                                   if (name) {
                                       store(settings, id, *name);
                                   }
                               } catch (const json::DecodingError&) {
                                   name.reset();
                               } catch (const SettingsError&) {
                                   name.reset();
                               }
                           }
                           (*finish)(name);
                       }});
}

} // namespace ostrel::SmartNames
