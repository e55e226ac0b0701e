#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/Autopilot.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

class Store;

// A coming calendar event as the menu, Home and the assistant show it: the event, when it starts
// ("Now" once it has begun, else "Today", "Tomorrow" or the weekday, then the time) and what the
// autopilot will do at it.
//
// Threading: load reads the store on the caller's thread; the values cross threads freely.
struct UpcomingEvent {
    CalendarEvent event;
    std::string when;
    std::string plan;

    // How far ahead events are read: 36 hours.
    static constexpr std::int64_t horizon = 129'600'000;

    // The event's key, "|", its occurrence: two meetings of one series differ.
    std::string id() const;

    // At most limit events that end after now (ms) and start before now + horizon, by start then
    // key, each with its plan from the answers stored up to now. A read that fails gives fewer rows
    // (no events, or every recurring class planned as having no yes yet); nothing is thrown.
    static std::vector<UpcomingEvent> load(Store& store, std::int64_t now, std::size_t limit, const Calendar& calendar);

    // One row. "Today" and "Tomorrow" are judged against now in the calendar, not against the
    // machine's clock, so a row says the same whenever it is worked out for that moment.
    static UpcomingEvent make(const CalendarEvent& event, const Autopilot::EventPlan& plan, std::int64_t now,
                              const Calendar& calendar);
    // "Asks first · 1 of 3 yeses", "Sets up by itself", ...
    static std::string planText(const Autopilot::EventPlan& plan);

    friend bool operator==(const UpcomingEvent&, const UpcomingEvent&) = default;
};

} // namespace ostrel
