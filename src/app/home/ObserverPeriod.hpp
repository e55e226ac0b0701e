#pragma once

#include "core/foundation/Date.hpp"

namespace ostrel {

class Settings;

// How long the application has been observing.
class ObserverPeriod {
public:
    // The first launch, from the setting "firstLaunch"; when it is missing (or not a date), now is
    // stored there and returned. A setting that cannot be written still returns now.
    static Date firstLaunch(Settings& settings, Date now);
};

} // namespace ostrel
