#include "ui/shell/MenuPlacement.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrel::ui {
namespace {

bool contains(const Rect& rect, double x, double y) {
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

// How far (x, y) lies outside rect; 0 inside or on its edge.
double distance(const Rect& rect, double x, double y) {
    const double dx = std::max({rect.x - x, 0.0, x - (rect.x + rect.width)});
    const double dy = std::max({rect.y - y, 0.0, y - (rect.y + rect.height)});
    return std::hypot(dx, dy);
}

// value kept in [low, high]; when the range is empty (a screen narrower than the panel) low wins,
// so the panel's start stays on the screen.
double clamped(double value, double low, double high) { return std::max(low, std::min(value, high)); }

} // namespace

const MenuPlacement::Screen* MenuPlacement::screenOf(const Rect& rect, const std::vector<Screen>& screens) {
    const Rect r = rect.standardized();
    const double cx = r.x + r.width / 2;
    const double cy = r.y + r.height / 2;
    for (const Screen& screen : screens) {
        if (contains(screen.geometry.standardized(), cx, cy)) return &screen;
    }
    const Screen* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const Screen& screen : screens) {
        const double d = distance(screen.geometry.standardized(), cx, cy);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return nearest;
}

MenuPlacement::Point MenuPlacement::place(std::optional<Rect> anchor, std::optional<Rect> pointer,
                                          const std::vector<Screen>& screens, double height) {
    if (!anchor && pointer) anchor = Rect{pointer->x, pointer->y, 0, 0};
    const Screen* screen = nullptr;
    if (!anchor && !screens.empty()) {
        // The corner lies on the screen's right edge, which belongs to a neighbour on that side.
        screen = &screens.front();
        const Rect available = screen->available.standardized();
        anchor = Rect{available.x + available.width, available.y, 0, 0};
    }
    if (!anchor) return {0, 0};

    const Rect icon = anchor->standardized();
    const double centreX = icon.x + icon.width / 2;
    const double centreY = icon.y + icon.height / 2;
    if (!screen) screen = screenOf(icon, screens);

    // A tray in the lower half of its screen is a bottom panel: the panel opens upward.
    bool above = false;
    if (screen) {
        const Rect geometry = screen->geometry.standardized();
        above = centreY > geometry.y + geometry.height / 2;
    }
    Point point{centreX - width / 2, above ? icon.y + overlap - height : icon.y + icon.height - overlap};
    if (screen) {
        const Rect available = screen->available.standardized();
        point.x = clamped(point.x, available.x + sideMargin, available.x + available.width - width - sideMargin);
        point.y = clamped(point.y, available.y, available.y + available.height - height);
    }
    return point;
}

} // namespace ostrel::ui
