#pragma once

#include "core/calendar/CalendarEvent.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

class Store;

// A coming calendar event as the menu and Home show it: the event, when it is ("Now" once it has
// begun, else a day and time) and what the autopilot will do at it.
struct UpcomingEvent {
    CalendarEvent event;
    std::string when;
    std::string plan;

    friend bool operator==(const UpcomingEvent&, const UpcomingEvent&) = default;

    // At most limit coming events. Not built yet: gives nothing until the Home window's coming
    // events are (the menu then shows its calendar-less header).
    static std::vector<UpcomingEvent> load(Store& store, std::int64_t now, std::size_t limit);
};

} // namespace ostrel
