#include "Commands.hpp"
#include "Options.hpp"

#include "app/home/ObserverPeriod.hpp"
#include "app/shell/UpcomingEvent.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <iostream>

namespace ostrel::dev {

// The coming events as the menu shows them at --at, one JSON line each, then the day of observing
// counted from --first-launch (default: --at, the first day).
int upcomingCommand(const Arguments& arguments) {
    const Options options("upcoming", arguments, {"--tz", "--at", "--limit", "--first-launch"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    const auto at = options.moment("--at", calendar);
    if (!at) {
        throw options.error("--at MS|DATE is required");
    }
    const std::int64_t limit = options.integer("--limit", 0, 1000).value_or(6);
    const std::int64_t firstLaunch = options.moment("--first-launch", calendar).value_or(*at);
    const auto file = options.existingFile(path);

    std::vector<UpcomingEvent> rows;
    try {
        Store store(file, Store::Access::reader);
        rows = UpcomingEvent::load(store, *at, static_cast<std::size_t>(limit), calendar);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }
    for (const UpcomingEvent& row : rows) {
        std::cout << json::encode(json::Value{{"id", row.id()}, {"when", row.when}, {"plan", row.plan}}) << '\n';
    }
    Settings settings(Settings::inMemory);
    settings.set(settingsKeys::firstLaunch, SettingsDate{static_cast<Date>(firstLaunch) / 1000});
    const Date now = static_cast<Date>(*at) / 1000;
    std::cout << json::encode(json::Value{{"day", ObserverPeriod::day(settings, now, calendar)}}) << '\n';
    return 0;
}

} // namespace ostrel::dev
