#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Item.hpp"
#include "core/observations/LocationPayload.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Where an episode happened: the class, the network, the place, the displays and what was open.
struct Context {
    std::vector<CalendarEvent> events;       // around the trigger, by start
    std::optional<std::string> network;      // hashed Wi-Fi network, as the Wi-Fi payload holds it
    std::optional<LocationPayload> location; // near the trigger
    std::vector<std::string> displays;       // UUIDs (or numeric ids as decimal text), sorted
    std::vector<Item> open;                  // already open at the trigger

    // Field by field; text compares as Unicode text.
    friend bool operator==(const Context& a, const Context& b);
};

} // namespace ostrel
