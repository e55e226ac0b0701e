#pragma once

#include "core/foundation/Calendar.hpp"

#include <string>

namespace ostrel {

// The machine user's calendar: the host's time zone (as the system is set: TZ, /etc/localtime)
// and the process's locale. Only the application's entry reads these; services take the Calendar
// they are given, so tests pin zone and locale.
class UserCalendar {
public:
    // An ICU locale id, "en_US" when the process's locale is the plain C one.
    static std::string locale();
    // The host's zone, "UTC" when it cannot be told.
    static std::string zone();
    static Calendar make();
};

} // namespace ostrel
