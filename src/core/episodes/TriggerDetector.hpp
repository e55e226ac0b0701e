#pragma once

#include "core/episodes/Trigger.hpp"
#include "core/observations/SignalObservation.hpp"

#include <cstdint>
#include <vector>

namespace ostrel {

// Derives triggers from stored observations of "system.wake", "screen.unlock", "quev.start" and
// "calendar.event_start"; every other signal is ignored. A pure function: it never fails, and a
// payload that does not decode makes its observation count for nothing.
class TriggerDetector {
public:
    TriggerDetector() = delete;

    // An arrival less than this after the last kept arrival is merged into it; event starts merge
    // among themselves by the same window.
    static constexpr std::int64_t arrivalMerge = 60'000;
    // A start of the application is a login only when the login was at most this long before it.
    static constexpr std::int64_t loginWindow = 180'000;
    // An event start counts only when the user had been idle at most this many seconds.
    static constexpr std::int64_t inUseIdleLimit = 300;
    // ... and when it was observed at most this long after the event's scheduled start.
    static constexpr std::int64_t eventStartLateness = 300'000;
    // An arrival at most this long before an event's start (or after it, up to the event-start
    // observation) already set the machine up for the class: the event start is no trigger.
    static constexpr std::int64_t arrivalCoversEvent = 900'000;

    // The triggers with from <= ts < to, in time order; at equal times arrivals come first.
    // Observations before from take part in merging and coverage but give no trigger themselves.
    // The observations may come in any order.
    static std::vector<Trigger> triggers(const std::vector<SignalObservation>& observations,
                                         std::int64_t from, std::int64_t to);
};

} // namespace ostrel
