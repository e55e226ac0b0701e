#pragma once

#include "core/foundation/Rect.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/Displays.hpp"
#include "platform/Executor.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <functional>
#include <memory>

namespace ostrel {

// Puts the windows of a routine's apps where its layout says, while those apps are still starting.
//
// A pass goes through the entries still pending: an app that is not running or shows no standard
// window yet stays pending; otherwise the entry is done whatever follows. Its window goes to its
// target (Windows::target) unless it is there already or has no target. Passes run 0.5 s apart on
// the main executor's timers, at most 20 of them (about 10 s); what is still pending then is
// dropped. The first pass runs as soon as the executor gets to it, never inside start().
//
// `moved` hears of each window about to move from a known frame, before it moves, so the caller
// can record how to put it back; a window whose frame could not be read is moved unrecorded.
//
// The handle is the only owner: stop() or destroying it ends the arrangement, after which no pass
// runs, no window moves and `moved` is not called again. Both may be called from inside `moved`
// (the run is being undone): the window being reported is then left alone. Several arrangements
// may run at once, each on its own copy of its layout.
//
// Threads: start, stop, destruction and every pass belong to the main executor; the roles'
// calls are made there, synchronously.
class Arrangement {
public:
    using Moved = std::function<void(WindowElement window, Rect formerFrame)>;

    static constexpr int maxPasses = 20;
    static constexpr double passInterval = 0.5;

    // Every reference must outlive the returned handle.
    static std::unique_ptr<Arrangement> start(const RoutineEdits::Layout& layout, Workspace& workspace,
                                              WindowAccessibility& accessibility, Displays& displays,
                                              Executor& main, Moved moved);

    ~Arrangement();
    Arrangement(const Arrangement&) = delete;
    Arrangement& operator=(const Arrangement&) = delete;

    void stop();
    // False once stopped or once every entry is done or dropped.
    bool isRunning() const;

    // Puts a window at frame: size, position, then size again, since a window moved onto a
    // smaller screen may have been shrunk by the system on the way. Results are not checked: the
    // window stays wherever the app lets it.
    static void restore(WindowAccessibility& accessibility, WindowElement window, Rect frame);

private:
    Arrangement(const RoutineEdits::Layout& layout, Workspace& workspace, WindowAccessibility& accessibility,
                Displays& displays, Executor& main, Moved moved);

    void pass();

    RoutineEdits::Layout pending_;
    Workspace& workspace_;
    WindowAccessibility& accessibility_;
    Displays& displays_;
    Executor& main_;
    Moved moved_;
    int passes_ = 0;
    TaskHandle next_;
    // Shared with a running pass, which may outlive this object when `moved` destroys it.
    std::shared_ptr<bool> stopped_ = std::make_shared<bool>(false);
};

} // namespace ostrel
