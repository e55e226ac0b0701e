#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/foundation/Calendar.hpp"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// When a repeating class usually meets: its weekdays, its usual start time and its usual place.
struct SeriesSchedule {
    std::vector<int> weekdays;                // distinct, ascending; 1 = Sunday
    int minute = 0;                           // most common start, hour * 60 + minute
    std::optional<std::string> location = {}; // most common trimmed location; absent when none

    friend bool operator==(const SeriesSchedule& a, const SeriesSchedule& b);

    // One schedule per key of the recurring events, from where each occurrence actually starts.
    // Ties go to the smaller minute and to the location that sorts first as text, so the result does
    // not depend on the order of the events.
    static std::map<std::string, SeriesSchedule> schedules(std::span<const CalendarEvent> events,
                                                           const Calendar& calendar);
};

} // namespace ostrel
