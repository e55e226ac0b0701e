#include "Commands.hpp"
#include "Options.hpp"
#include "app/shell/ScoresReminder.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <cmath>
#include <exception>
#include <iostream>
#include <limits>

namespace ostrel::dev {

namespace {

json::Value moment(const std::optional<Date>& date) {
    if (!date || !std::isfinite(*date)) {
        return nullptr;
    }
    return static_cast<std::int64_t>(std::llround(*date * 1000.0));
}

} // namespace

// Whether the scores reminder is due at MS on the settings in --config, without a window: the
// settings are written as the reminder writes them (first launch, counters).
int scoresReminderCommand(const Arguments& arguments) {
    const Options options("scores-reminder", arguments, {"--config", "--at"});
    const auto folder = options.text("--config");
    const auto at = options.integer("--at", 0, std::numeric_limits<std::int64_t>::max() / 2);
    if (!folder || !at || !options.positional().empty()) {
        throw UsageError{"expects --config DIR --at MS"};
    }
    json::Value result;
    try {
        Settings settings{std::filesystem::path(*folder)};
        bool opened = false;
        const bool due = ScoresReminder::showIfDue(settings, static_cast<Date>(*at) / 1000.0, [&] { opened = true; });
        const auto reminded = settings.number(settingsKeys::scoresReminded);
        result = json::Value{{"due", due && opened},
                             {"reminded", reminded ? json::Value(*reminded) : json::Value(nullptr)},
                             {"lastReminded", moment(settings.date(settingsKeys::scoresLastReminded))},
                             {"firstLaunch", moment(settings.date(settingsKeys::firstLaunch))}};
    } catch (const SettingsError& failure) {
        throw options.error(failure.what());
    }
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
