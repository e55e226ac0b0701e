#include "app/signals/IdleSignal.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"

#include <cmath>

namespace ostrel {

IdleSignal::IdleSignal(UserActivity& activity, ObservationWriter& writer, const Clock& clock, Executor& main)
    : activity_(activity), writer_(writer), clock_(clock), main_(main) {}

void IdleSignal::start() {
    schedule();
}

void IdleSignal::schedule() {
    timer_ = main_.postAfter(checkInterval, guard_.wrap([this] {
        check();
        schedule();
    }));
}

void IdleSignal::check() {
    // An idle time the system cannot tell reads as a user who is here. Whole seconds, so that
    // 299.9 s is still short of the threshold.
    const double idleFor = activity_.idleSeconds().value_or(0);
    const double seconds = std::floor(idleFor);
    const Date now = clock_.now();
    if (seconds >= idleThreshold) {
        const bool wanted = !activity_.displayKeptAwake();
        if (wanted == idle_) {
            return;
        }
        if (wanted) {
            const Date lastInput = now - idleFor;
            record(true, lastRecorded_ && lastInput < *lastRecorded_ ? now : lastInput);
        } else {
            record(false, now);
        }
    } else if (idle_) {
        record(false, now);
    }
}

void IdleSignal::record(bool idle, Date at) {
    idle_ = idle;
    lastRecorded_ = at;
    writer_.record(idle ? Signal::userIdle : Signal::userActive, EmptyPayload{}, at);
}

} // namespace ostrel
