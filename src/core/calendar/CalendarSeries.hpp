#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// One repeating event as the store sees it.
struct CalendarSeries {
    std::string key;            // the key of its occurrences
    std::string title;          // from the occurrence first seen
    std::int64_t firstSeen = 0; // earliest time any occurrence was first stored, ms since 1970

    // Field by field; text compares as Unicode text.
    friend bool operator==(const CalendarSeries& a, const CalendarSeries& b);
};

} // namespace ostrel
