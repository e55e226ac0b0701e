#include "app/home/ObserverPeriod.hpp"

#include "core/foundation/Calendar.hpp"

#include "core/foundation/Logger.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

namespace ostrel {

Date ObserverPeriod::firstLaunch(Settings& settings, Date now) {
    if (const auto stored = settings.date(settingsKeys::firstLaunch)) {
        return *stored;
    }
    try {
        settings.set(settingsKeys::firstLaunch, SettingsDate{now});
    } catch (const SettingsError& failure) {
        static const Logger logger("home");
        logger.error("first launch not stored: {}", failure.what());
    }
    return now;
}

std::int64_t ObserverPeriod::day(Settings& settings, Date now, const Calendar& calendar) {
    return calendar.dayDifference(firstLaunch(settings, now), now) + 1;
}

} // namespace ostrel
