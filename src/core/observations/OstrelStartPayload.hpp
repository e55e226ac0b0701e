#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// The payload of "quev.start", one per start of the application.
struct OstrelStartPayload {
    // Seconds since the system booted; whole after construction.
    double uptime = 0;
    // The application's short version string.
    std::string version;
    // The user's latest console login, milliseconds since 1970, when known.
    std::optional<std::int64_t> login;

    OstrelStartPayload() = default;
    // Rounds uptime to the nearest whole second, halves away from zero.
    OstrelStartPayload(double uptime, std::string version, std::optional<std::int64_t> login = std::nullopt);

    // Decoding stores what the text holds, without rounding.
    static OstrelStartPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const OstrelStartPayload& a, const OstrelStartPayload& b);
};

} // namespace ostrel
