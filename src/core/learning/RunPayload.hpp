#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The record of one setup the runner carried out ("quev.run").
struct RunPayload {
    std::string run;                                     // the run's UUID, one per run
    std::string routine;                                 // the id of the routine's context key
    std::vector<std::string> items;                      // ids of the items the setup opened
    bool automatic = false;                              // set up by the autopilot without asking
    std::optional<std::int64_t> hid = std::nullopt;      // apps hidden
    std::optional<std::int64_t> arranged = std::nullopt; // window placements in the routine's layout
    std::optional<bool> muted = std::nullopt;

    static RunPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    // Every field equal; text compares as Unicode text, a missing value equals only a missing one.
    friend bool operator==(const RunPayload& a, const RunPayload& b);
};

} // namespace ostrel
