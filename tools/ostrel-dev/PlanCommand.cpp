#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"

#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <string>

namespace ostrel::dev {

namespace {

json::Value idOrNull(const std::optional<ContextKey>& key) {
    return key ? json::Value(key->id()) : json::Value(nullptr);
}

} // namespace

// The planning pass for a stored trigger as the autopilot would run it at --now, with nothing
// demoted: which routine, what it would open, whether its own cue picked it, the action and the
// save offer, as one JSON object. "name" is the chosen routine's display name, null without one.
int planCommand(const Arguments& arguments) {
    const Options options("plan", arguments, {"--tz", "--at", "--trigger", "--now"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const auto at = options.integer("--at", min, max);
    if (!at) {
        throw options.error("expects --at MS");
    }
    const auto kind = options.enumeration<Trigger::Kind>("--trigger", "wake, unlock, login or event_start");
    if (!kind) {
        throw options.error("expects --trigger KIND");
    }
    const Trigger trigger{*at, *kind};
    const std::int64_t now = options.integer("--now", min, max).value_or(trigger.ts);
    // Everything that can be checked without the file was checked first; reading never creates one.
    const auto file = options.existingFile(path);

    std::optional<PlanningPass::Result> result;
    try {
        Store store(file, Store::Access::reader);
        result = PlanningPass::run(store, trigger, now, calendar, {});
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }
    if (!result) {
        throw options.error("no episode of a " + std::string(toString(*kind)) + " trigger at " +
                            std::to_string(trigger.ts) + " by " + std::to_string(now));
    }

    const std::optional<Choice>& choice = result->choice;
    std::cout << json::encode(
                     json::ObjectWriter()
                         .set("routine", idOrNull(choice ? std::optional(choice->routine.key) : std::nullopt))
                         .set("name", choice ? json::Value(result->name) : json::Value(nullptr))
                         .set("items", choice ? choice->routine.items : std::vector<Item>{})
                         .set("picked", choice && choice->picked)
                         .set("action", std::string(Autopilot::caseName(result->action)))
                         .set("saveOffer", idOrNull(result->saveOffer))
                         .done())
              << '\n';
    return 0;
}

} // namespace ostrel::dev
