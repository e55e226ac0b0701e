#include "app/shell/ScoresReminder.hpp"

#include "core/foundation/Logger.hpp"
#include "platform/AppInfo.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrel {

namespace {

const Logger& logger() {
    static const Logger instance("scores");
    return instance;
}

// "scoresReminded" as a whole count: a number truncated toward zero, anything else 0.
std::int64_t remindedCount(const Settings& settings) {
    const auto stored = settings.number(settingsKeys::scoresReminded);
    if (!stored || !std::isfinite(*stored)) {
        return 0;
    }
    // Far beyond three either way reads as itself clamped: it only has to compare with three.
    return static_cast<std::int64_t>(std::clamp(*stored, -1e9, 1e9));
}

} // namespace

bool ScoresReminder::showIfDue(Settings& settings, Date now, const std::function<void()>& open) {
    try {
        if (!settings.get(settingsKeys::firstLaunch)) {
            settings.set(settingsKeys::firstLaunch, SettingsDate{now});
        }
    } catch (const SettingsError& failure) {
        logger().error("first launch not stored: {}", failure.what());
    }
    const Date first = settings.date(settingsKeys::firstLaunch).value_or(now);
    const std::int64_t reminded = remindedCount(settings);
    const Date last = settings.date(settingsKeys::scoresLastReminded).value_or(-std::numeric_limits<Date>::infinity());

    if (settings.boolean(settingsKeys::scoresSent).value_or(false)) {
        return false;
    }
    if (!(now - first >= firstAfter) || reminded > most - 1 || !(now - last >= apart)) {
        return false;
    }
    try {
        settings.set(settingsKeys::scoresReminded, static_cast<double>(reminded + 1));
        settings.set(settingsKeys::scoresLastReminded, SettingsDate{now});
    } catch (const SettingsError& failure) {
        logger().error("score reminder not counted, so not shown: {}", failure.what());
        return false;
    }
    open();
    return true;
}

std::optional<std::string> ScoresReminder::recipient(const AppInfo& info) {
    std::string address = info.info("OstrelScoresEmail");
    if (address.empty()) {
        return std::nullopt;
    }
    return address;
}

} // namespace ostrel
