#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <string>

namespace ostrel {

// The payload of "calendar.event_start": which occurrence of which class started, and whether the
// user was at the machine then.
struct EventStartPayload {
    // The calendar event's key.
    std::string event;
    // Which occurrence of that event.
    std::int64_t occurrence = 0;
    // The scheduled start, milliseconds since 1970.
    std::int64_t start = 0;
    // Seconds the user had been idle when the event started.
    std::int64_t idle = 0;
    // Whether the screen was locked then.
    bool locked = false;

    static EventStartPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const EventStartPayload& a, const EventStartPayload& b);
};

} // namespace ostrel
