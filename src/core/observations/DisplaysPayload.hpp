#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The payload of "displays": the connected displays, in the order the source lists the screens.
// Order matters to equality.
struct DisplaysPayload {
    struct Display {
        // The display's numeric identifier.
        std::uint32_t id = 0;
        // Its persistent UUID text, when the system gives one.
        std::optional<std::string> uuid;
        std::string name;
        // Its frame in points, as the display source reads it (not rounded).
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        bool builtin = false;
        bool main = false;

        static Display fromJSON(const json::Value& value);
        json::Value toJSON() const;

        friend bool operator==(const Display& a, const Display& b);
    };

    std::vector<Display> displays;

    static DisplaysPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const DisplaysPayload&, const DisplaysPayload&) = default;
};

} // namespace ostrel
