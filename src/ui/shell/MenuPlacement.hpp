#pragma once

#include "core/foundation/Rect.hpp"
#include "ui/shell/MenuContent.hpp"

#include <optional>
#include <vector>

namespace ostrel::ui {

// Where the status menu's panel goes: under the tray icon it was opened from, or above it when the
// icon sits in a bottom panel, overlapping the icon's edge a little (the cloud art's soft margin
// takes up the overlap), never closer than a small margin to its screen's sides.
//
// Global coordinates, y downward, as StatusItem reports them.
struct MenuPlacement {
    struct Screen {
        Rect geometry;
        Rect available; // less the desktop's panels
    };

    static constexpr double width = MenuContent::width;
    static constexpr double sideMargin = 4; // from the available area's left and right edges
    static constexpr double overlap = 14;   // into the anchor, at its bottom (or top) edge

    // The panel's top-left corner for a panel of height. anchor: the icon's frame; without one the
    // pointer at the click stands in as a zero-sized anchor; without either, the top right corner
    // of the first (primary) screen's available area. Without screens the anchor alone decides.
    struct Point {
        double x = 0;
        double y = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };
    static Point place(std::optional<Rect> anchor, std::optional<Rect> pointer, const std::vector<Screen>& screens,
                       double height);

    // The screen holding the centre of rect, else the one nearest to it (the first of equals); null
    // without screens.
    static const Screen* screenOf(const Rect& rect, const std::vector<Screen>& screens);
};

} // namespace ostrel::ui
