#include "core/calendar/CalendarSeries.hpp"

#include "core/foundation/Text.hpp"

namespace ostrel {

bool operator==(const CalendarSeries& a, const CalendarSeries& b) {
    return text::equal(a.key, b.key) && text::equal(a.title, b.title) && a.firstSeen == b.firstSeen;
}

} // namespace ostrel
