#include "core/calendar/CalendarEvent.hpp"

#include "core/foundation/Text.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const CalendarEvent& a, const CalendarEvent& b) {
    const auto sameLocation = a.location.has_value() == b.location.has_value() &&
                              (!a.location || text::equal(*a.location, *b.location));
    return text::equal(a.key, b.key) && a.occurrence == b.occurrence && a.recurring == b.recurring &&
           text::equal(a.title, b.title) && a.start == b.start && a.end == b.end && sameLocation &&
           text::equal(a.calendar, b.calendar) &&
           std::equal(a.links.begin(), a.links.end(), b.links.begin(), b.links.end(), text::Equal{});
}

} // namespace ostrel
