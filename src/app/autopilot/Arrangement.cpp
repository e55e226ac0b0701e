#include "app/autopilot/Arrangement.hpp"

#include "app/autopilot/Windows.hpp"

#include <algorithm>

namespace ostrel {

std::unique_ptr<Arrangement> Arrangement::start(const RoutineEdits::Layout& layout, Workspace& workspace,
                                                WindowAccessibility& accessibility, Displays& displays,
                                                Executor& main, Moved moved) {
    std::unique_ptr<Arrangement> arrangement(
        new Arrangement(layout, workspace, accessibility, displays, main, std::move(moved)));
    if (!layout.empty()) {
        arrangement->next_ = main.postAfter(0, [raw = arrangement.get()] { raw->pass(); });
    }
    return arrangement;
}

Arrangement::Arrangement(const RoutineEdits::Layout& layout, Workspace& workspace,
                         WindowAccessibility& accessibility, Displays& displays, Executor& main, Moved moved)
    : pending_(layout), workspace_(workspace), accessibility_(accessibility), displays_(displays), main_(main),
      moved_(std::move(moved)) {}

Arrangement::~Arrangement() { stop(); }

void Arrangement::stop() {
    *stopped_ = true;
    next_.cancel();
    pending_.clear();
}

bool Arrangement::isRunning() const { return !*stopped_ && !pending_.empty(); }

void Arrangement::restore(WindowAccessibility& accessibility, WindowElement window, Rect frame) {
    accessibility.setSize(window, frame.width, frame.height);
    accessibility.setPosition(window, frame.x, frame.y);
    accessibility.setSize(window, frame.width, frame.height);
}

void Arrangement::pass() {
    const std::shared_ptr<bool> stopped = stopped_;
    ++passes_;
    const std::vector<RunningApp> running = workspace_.runningApps();
    const auto sameID = [less = pending_.key_comp()](const std::string& a, const std::string& b) {
        return !less(a, b) && !less(b, a);
    };
    for (auto entry = pending_.begin(); entry != pending_.end();) {
        const auto app = std::ranges::find_if(running, [&](const RunningApp& candidate) {
            return candidate.bundleID && sameID(*candidate.bundleID, entry->first);
        });
        const auto window = app != running.end() ? Windows::front(accessibility_, app->pid) : std::nullopt;
        if (!window) {
            ++entry;
            continue;
        }
        const RoutineEdits::Placement placement = entry->second;
        entry = pending_.erase(entry);

        const auto current = Windows::frame(accessibility_, *window);
        const auto target = Windows::target(placement, current, usableAreas(displays_.screens()));
        if (!target || (current && *current == *target)) {
            continue;
        }
        if (current && moved_) {
            // A copy: the callback may destroy this object, and with it moved_.
            const Moved moved = moved_;
            moved(*window, *current);
            if (*stopped) {
                return;
            }
        }
        restore(accessibility_, *window, *target);
    }
    if (pending_.empty() || passes_ >= maxPasses) {
        pending_.clear();
        return;
    }
    next_ = main_.postAfter(passInterval, [this] { pass(); });
}

} // namespace ostrel
