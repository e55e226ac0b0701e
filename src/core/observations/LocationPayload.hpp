#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>

namespace ostrel {

// The payload of "location": where the computer is, coarsened to about ten metres.
struct LocationPayload {
    double latitude = 0;       // degrees, 4 decimals
    double longitude = 0;      // degrees, 4 decimals
    std::int64_t accuracy = 0; // horizontal accuracy, whole metres

    // Rounds latitude and longitude to 4 decimals and accuracy to whole metres, halves away from
    // zero. Nothing when the accuracy has no integer form (not finite, or beyond 64 bits once
    // rounded): such a reading is no usable fix. A coordinate that is not finite is kept as it is
    // and the payload then refuses to encode.
    static std::optional<LocationPayload> make(double latitude, double longitude, double accuracy);

    static LocationPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const LocationPayload&, const LocationPayload&) = default;
};

} // namespace ostrel
