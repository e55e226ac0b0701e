#include "app/autopilot/Windows.hpp"

#include "core/foundation/Rounding.hpp"

#include <algorithm>
#include <type_traits>
#include <variant>

namespace ostrel {

namespace {

// The area two rectangles share; 0 when they only touch or are apart.
double sharedArea(const Rect& a, const Rect& b) {
    const Rect first = a.standardized();
    const Rect second = b.standardized();
    const double width = std::min(first.x + first.width, second.x + second.width) - std::max(first.x, second.x);
    const double height = std::min(first.y + first.height, second.y + second.height) - std::max(first.y, second.y);
    return width > 0 && height > 0 ? width * height : 0;
}

} // namespace

bool Windows::isStandard(const WindowAccessibility& accessibility, WindowElement window) {
    return accessibility.subrole(window) == std::optional<std::string>(accessibility::standardWindow);
}

std::optional<WindowElement> Windows::front(WindowAccessibility& accessibility, int pid) {
    // A hung app must not hold the caller (the main loop) for long.
    accessibility.setMessagingTimeout(messagingTimeout);
    if (const auto focused = accessibility.focusedWindow(pid); focused && isStandard(accessibility, *focused)) {
        return focused;
    }
    for (const WindowElement& window : accessibility.windows(pid).value_or(std::vector<WindowElement>{})) {
        if (isStandard(accessibility, window)) {
            return window;
        }
    }
    return std::nullopt;
}

std::optional<Rect> Windows::frame(const WindowAccessibility& accessibility, WindowElement window) {
    return accessibility.frame(window);
}

std::optional<Rect> Windows::target(const RoutineEdits::Placement& placement, const std::optional<Rect>& current,
                                    const std::vector<Rect>& usableScreens) {
    if (usableScreens.empty()) {
        return std::nullopt;
    }
    if (const auto* stored = std::get_if<WindowPayload::Frame>(&placement.value)) {
        const Rect rect{static_cast<double>(stored->x), static_cast<double>(stored->y),
                        static_cast<double>(stored->width), static_cast<double>(stored->height)};
        const bool onScreen = std::ranges::any_of(usableScreens, [&](const Rect& screen) { return sharedArea(rect, screen) > 0; });
        return onScreen ? std::optional(rect) : std::nullopt;
    }

    const Rect* chosen = &usableScreens.front();
    if (current) {
        double best = sharedArea(*current, *chosen);
        for (const Rect& screen : usableScreens) {
            if (const double area = sharedArea(*current, screen); area > best) {
                best = area;
                chosen = &screen;
            }
        }
    }
    const Rect screen = *chosen;
    if (std::holds_alternative<RoutineEdits::Placement::Full>(placement.value)) {
        return screen;
    }
    const auto half = roundedToInt64(screen.width * 0.5);
    if (!half) {
        return std::nullopt;
    }
    const double width = static_cast<double>(*half);
    if (std::holds_alternative<RoutineEdits::Placement::Left>(placement.value)) {
        return Rect{screen.x, screen.y, width, screen.height};
    }
    return Rect{screen.x + screen.width - width, screen.y, width, screen.height};
}

} // namespace ostrel
