#pragma once

#include "core/foundation/Date.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/UserActivity.hpp"

#include <optional>

namespace ostrel {

class ObservationWriter;

// Checks every checkInterval how long the user has left the machine alone. Once that is
// idleThreshold or more, it records "user.idle" dated at the last input; when the user is back
// (or another process starts keeping the display awake, as a video does) it records "user.active"
// at the next check. The two alternate, never two of a kind in a row. A long idle time while the
// display is kept awake is not absence: the user is watching.
//
// "user.idle" is never dated before this source's previous observation: when the last input
// would lie before it (the idle time jumped, the clock was set back), it is dated now, so the
// source's rows stay in order.
//
// Threads: construct, start and destroy on the main executor, where the checks run. Destroying it
// cancels the timer.
class IdleSignal {
public:
    static constexpr double checkInterval = 60.0;
    static constexpr double idleThreshold = 300.0;

    // Every reference must outlive this object.
    IdleSignal(UserActivity& activity, ObservationWriter& writer, const Clock& clock, Executor& main);

    IdleSignal(const IdleSignal&) = delete;
    IdleSignal& operator=(const IdleSignal&) = delete;

    // Starts the checks; the first comes checkInterval after this, none now. Once.
    void start();

private:
    void schedule();
    void check();
    void record(bool idle, Date at);

    UserActivity& activity_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& main_;
    bool idle_ = false; // "user.idle" was the last of the two written
    std::optional<Date> lastRecorded_;
    TaskHandle timer_;
    LifetimeGuard guard_; // last
};

} // namespace ostrel
