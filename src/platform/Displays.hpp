#pragma once

#include "core/foundation/Rect.hpp"
#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// One connected screen as the system lists it, read when asked.
struct Screen {
    // The system's numeric display id; absent when the system gives the screen none (callers
    // leave such a screen out).
    std::optional<std::uint32_t> id;
    // The persistent UUID text that survives reconnection; absent when the system has none.
    std::optional<std::string> uuid;
    std::string name;
    // In points, in the global screen space with its origin at the bottom-left of the main screen
    // and y growing upward (unlike window frames, whose y grows downward).
    Rect frame;
    bool builtin = false; // the laptop's own panel
    bool main = false;    // the screen that holds the menu bar / primary panel
    // The part of frame that windows may use: without the menu bar, panels and docks. Same space
    // as frame.
    Rect visibleFrame;

    friend bool operator==(const Screen&, const Screen&) = default;
};

// Each screen's usable area (its visibleFrame) in the space of window frames: origin at the
// top-left of the first screen, y growing downward. H, the first screen's frame height, turns one
// space into the other: y = H - maxY of the visible frame. In the screens' order.
std::vector<Rect> usableAreas(const std::vector<Screen>& screens);

// Something about the screens may have changed (connected, disconnected, moved, resized, another
// main screen). It says nothing more: the receiver reads screens() again.
struct ScreensChanged {
    friend bool operator==(const ScreensChanged&, const ScreensChanged&) = default;
};

// The connected screens and the notice that their arrangement changed.
//
// Threading: every member may be called from any thread; notices reach each subscriber on the
// executor it subscribed with. A reconfiguration usually sends a burst of notices.
class Displays {
public:
    using Callback = std::function<void()>;

    virtual ~Displays() = default;

    virtual Availability availability() const = 0;
    // The screens in the system's order; empty when the system cannot say.
    virtual std::vector<Screen> screens() const = 0;
    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;
};

} // namespace ostrel
