#pragma once

#include "core/foundation/Json.hpp"
#include "core/observations/WindowPayload.hpp"

#include <vector>

namespace ostrel {

// The payload of "windows": a snapshot of every window, in the order the window source lists them.
struct WindowsPayload {
    std::vector<WindowPayload> windows;

    static WindowsPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const WindowsPayload&, const WindowsPayload&) = default;
};

} // namespace ostrel
