#pragma once

#include "core/foundation/Rect.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/WindowAccessibility.hpp"

#include <optional>
#include <vector>

namespace ostrel {

// Finding an app's window and working out where a routine puts it. Shared by the window source,
// the setup runner's placement, the routine editor (taking a window's frame as a placement) and
// the assistant, so all of them agree on which window is "the" window of an app.
//
// Every rectangle is in window-frame space: points, origin at the top-left of the first screen,
// y growing downward.
class Windows {
public:
    Windows() = delete;

    static constexpr double messagingTimeout = 1.0;

    // Whether the window is an ordinary document window. Dialogs, sheets, panels and windows whose
    // subrole cannot be read are not.
    static bool isStandard(const WindowAccessibility& accessibility, WindowElement window);

    // The process's front standard window: its focused window when that is standard, else the
    // first standard one of its windows, front to back. Nothing when it has none (yet), or when
    // the reads fail.
    static std::optional<WindowElement> front(WindowAccessibility& accessibility, int pid);

    // Where the window is now; nothing when the read fails.
    static std::optional<Rect> frame(const WindowAccessibility& accessibility, WindowElement window);

    // Where a placement puts a window whose frame is `current` (unknown: nothing), on screens
    // whose usable areas are given in the system's screen order (see usableAreas()). Nothing when
    // there is no screen, or for a stored frame that overlaps none of them (a display since
    // unplugged): that window is left where it is.
    //
    // The halves and the whole go on the screen holding the largest part of the current frame
    // (ties: the earlier screen; no current frame: the first screen). A half is the screen's width
    // times 0.5 rounded half away from zero, so 1,439 points give 720 and the right half starts
    // 719 points in: the halves overlap by a point rather than leave a gap.
    static std::optional<Rect> target(const RoutineEdits::Placement& placement, const std::optional<Rect>& current,
                                      const std::vector<Rect>& usableScreens);
};

} // namespace ostrel
