#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// One occurrence of a calendar event, whatever calendar it came from. (key, occurrence) identifies
// it: every occurrence of a repeating event shares the key and is marked recurring.
struct CalendarEvent {
    std::string key = {};
    std::int64_t occurrence = 0; // the start it was first scheduled at, ms since 1970
    bool recurring = false;
    std::string title = {}; // empty when the calendar gives none
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::optional<std::string> location = std::nullopt; // never the empty text
    std::string calendar = {};
    std::vector<std::string> links = {}; // http(s), in order of discovery, at most four

    // Field by field; text compares as Unicode text, links as ordered lists.
    friend bool operator==(const CalendarEvent& a, const CalendarEvent& b);
};

} // namespace ostrel
