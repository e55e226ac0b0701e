#include "platform/Displays.hpp"

namespace ostrel {

std::vector<Rect> usableAreas(const std::vector<Screen>& screens) {
    std::vector<Rect> areas;
    if (screens.empty()) {
        return areas;
    }
    // The first screen holds the menu bar: its top edge is y = 0 of every window frame.
    const double height = screens.front().frame.height;
    for (const Screen& screen : screens) {
        const Rect visible = screen.visibleFrame.standardized();
        areas.push_back({visible.x, height - (visible.y + visible.height), visible.width, visible.height});
    }
    return areas;
}

} // namespace ostrel
