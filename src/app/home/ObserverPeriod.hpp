#pragma once

#include <cstdint>

#include "core/foundation/Date.hpp"

namespace ostrel {

class Calendar;
class Settings;

// How long the application has been observing.
class ObserverPeriod {
public:
    // The first launch, from the setting "firstLaunch"; when it is missing (or not a date), now is
    // stored there and returned. A setting that cannot be written still returns now.
    static Date firstLaunch(Settings& settings, Date now);
    // Which day of observing now is: 1 on the day of the first launch, 2 on the next calendar day
    // whatever the hour of the launch. Reads (and when missing, stores) the first launch.
    static std::int64_t day(Settings& settings, Date now, const Calendar& calendar);
};

} // namespace ostrel
