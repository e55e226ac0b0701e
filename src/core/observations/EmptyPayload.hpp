#pragma once

#include "core/foundation/Json.hpp"

namespace ostrel {

// The payload of signals that carry nothing but their moment (wake, sleep, lock, unlock, idle,
// active). Written as "{}"; any well-formed JSON reads as one.
struct EmptyPayload {
    static EmptyPayload fromJSON(const json::Value&) { return {}; }
    json::Value toJSON() const { return json::Value::object(); }

    friend bool operator==(const EmptyPayload&, const EmptyPayload&) = default;
};

} // namespace ostrel
