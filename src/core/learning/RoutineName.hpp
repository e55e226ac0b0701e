#pragma once

// The short name every routine is shown under, in the user's language: the class's title, the
// one-off event's title capitalised, the weekday and time of a slot ("Mondays around 9:30 AM").
// Pure; the calendar supplies the locale and the time zone.

#include "core/calendar/CalendarSeries.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"

#include <string>
#include <vector>

namespace ostrel::RoutineName {

// The system's own name for a key: the title of the first series with the key ("A calendar
// series" when none has it); a title capitalised word by word by the locale's rules; the locale's
// weekday name with "s around " and its short time of day for a slot (just "Around " and the time
// when the weekday is not 1 to 7, as a stored id can make it); "A routine you made".
std::string name(const ContextKey& key, const std::vector<CalendarSeries>& series, const Calendar& calendar);

// The user's name for the routine whenever one is set (even an empty one), else the key's name.
std::string name(const Routine& routine, const std::vector<CalendarSeries>& series, const Calendar& calendar);

} // namespace ostrel::RoutineName
