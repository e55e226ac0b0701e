#include "app/editor/OpenNow.hpp"

#include "app/autopilot/Windows.hpp"
#include "core/observations/ExclusionList.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ostrel::OpenNow {

namespace {

// Truncated toward zero; nothing outside [-2^63, 2^63) or not finite.
std::optional<std::int64_t> whole(double value) {
    constexpr double limit = 9223372036854775808.0; // 2^63, exact in a double
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double truncated = std::trunc(value);
    if (truncated < -limit || truncated >= limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(truncated);
}

std::optional<RoutineEdits::Placement> placementOf(int pid, WindowAccessibility& accessibility) {
    const auto window = Windows::front(accessibility, pid);
    if (!window) {
        return std::nullopt;
    }
    const auto frame = Windows::frame(accessibility, *window);
    return frame ? framePlacement(*frame) : std::nullopt;
}

} // namespace

std::optional<RoutineEdits::Placement> framePlacement(const Rect& frame) {
    // Infinities would survive standardizing only to turn into NaN; check the raw values too.
    if (!std::isfinite(frame.x) || !std::isfinite(frame.y) || !std::isfinite(frame.width) ||
        !std::isfinite(frame.height)) {
        return std::nullopt;
    }
    const Rect standard = frame.standardized();
    const auto x = whole(standard.x);
    const auto y = whole(standard.y);
    const auto width = whole(standard.width);
    const auto height = whole(standard.height);
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return RoutineEdits::Placement::frame({*x, *y, *width, *height});
}

RoutineEdits edits(const Workspace& workspace, WindowAccessibility& accessibility) {
    RoutineEdits result;
    const ExclusionList& excluded = ExclusionList::defaultList();
    const auto fileManager = workspace.defaultHandler(folderType);
    const int own = workspace.ownPid();

    std::vector<RunningApp> kept;
    for (RunningApp& app : workspace.runningApps()) {
        if (!app.regular || app.hidden || app.pid == own || !app.bundleID || excluded.contains(*app.bundleID) ||
            app.bundleID == fileManager) {
            continue;
        }
        kept.push_back(std::move(app));
    }

    const auto front = workspace.frontmost();
    const std::optional<std::string> frontID = front ? front->bundleID : std::nullopt;
    if (frontID) {
        std::stable_partition(kept.begin(), kept.end(),
                              [&frontID](const RunningApp& app) { return app.bundleID == frontID; });
    }

    const bool trusted = accessibility.isTrusted();
    for (const RunningApp& app : kept) {
        // An id that makes no item (an empty one) counts as none.
        auto item = Item::app(*app.bundleID);
        if (!item) {
            continue;
        }
        result.added.push_back(std::move(*item));
        if (!trusted) {
            continue;
        }
        if (auto placed = placementOf(app.pid, accessibility)) {
            result.layout.insert_or_assign(*app.bundleID, std::move(*placed));
        }
    }
    return result;
}

std::optional<RoutineEdits::Placement> placement(const std::string& bundleID, const Workspace& workspace,
                                                 WindowAccessibility& accessibility) {
    if (!accessibility.isTrusted()) {
        return std::nullopt;
    }
    const auto apps = workspace.runningApps();
    const auto found = std::find_if(apps.begin(), apps.end(),
                                    [&bundleID](const RunningApp& app) { return app.bundleID == bundleID; });
    if (found == apps.end()) {
        return std::nullopt;
    }
    return placementOf(found->pid, accessibility);
}

} // namespace ostrel::OpenNow
