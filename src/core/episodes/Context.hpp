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
    // The calendar events around the trigger, by start.
    std::vector<CalendarEvent> events = {};
    // The hashed Wi-Fi network, as the Wi-Fi payload holds it.
    std::optional<std::string> network = std::nullopt;
    // The location near the trigger.
    std::optional<LocationPayload> location = std::nullopt;
    // The connected displays by UUID (or numeric id as decimal text), sorted.
    std::vector<std::string> displays = {};
    // What was already open at the trigger.
    std::vector<Item> open = {};

    // Field by field; text compares as Unicode text.
    friend bool operator==(const Context& a, const Context& b);
};

} // namespace ostrel
