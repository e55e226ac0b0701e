#include "core/calendar/CalendarEvent.hpp"

#include "core/foundation/Text.hpp"
#include "core/foundation/UnicodeText.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const CalendarEvent& a, const CalendarEvent& b) {
    return text::equal(a.key, b.key) && a.occurrence == b.occurrence && a.recurring == b.recurring &&
           text::equal(a.title, b.title) && a.start == b.start && a.end == b.end &&
           canonicallyEqual(a.location, b.location) && text::equal(a.calendar, b.calendar) &&
           std::equal(a.links.begin(), a.links.end(), b.links.begin(), b.links.end(), text::Equal{});
}

} // namespace ostrel
