#pragma once

#include "core/foundation/Json.hpp"
#include "core/observations/AppPayload.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The payload of "apps.running": every running application, in the order the source lists them,
// and the front one. Order matters to equality.
struct RunningAppsPayload {
    std::vector<AppPayload> apps;
    // The bundle identifier of the frontmost application.
    std::optional<std::string> front;

    static RunningAppsPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const RunningAppsPayload& a, const RunningAppsPayload& b);
};

} // namespace ostrel
