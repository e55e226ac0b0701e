#include "core/episodes/TriggerDetector.hpp"

#include "core/foundation/Saturating.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"

#include <algorithm>

namespace ostrel {

namespace {

std::optional<Trigger::Kind> arrivalKind(const SignalObservation& observation) {
    if (observation.signal == Signal::wake) {
        return Trigger::Kind::wake;
    }
    if (observation.signal == Signal::unlock) {
        return Trigger::Kind::unlock;
    }
    if (observation.signal == Signal::quevStart) {
        const auto start = observation.decoded<OstrelStartPayload>();
        if (!start || !start->login) {
            return std::nullopt;
        }
        // A login time later than the start never counts.
        const std::int64_t sinceLogin = saturatingSub(observation.ts, *start->login);
        if (sinceLogin >= 0 && sinceLogin <= TriggerDetector::loginWindow) {
            return Trigger::Kind::login;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<Trigger> TriggerDetector::triggers(const std::vector<SignalObservation>& observations,
                                               std::int64_t from, std::int64_t to) {
    const std::vector<const SignalObservation*> sorted = sortedByTime(observations);

    // A dropped candidate does not move the merge window: the next one is compared with the last
    // arrival kept.
    std::vector<Trigger> arrivals;
    for (const SignalObservation* observation : sorted) {
        const auto kind = arrivalKind(*observation);
        if (!kind) {
            continue;
        }
        if (!arrivals.empty() && saturatingSub(observation->ts, arrivals.back().ts) < arrivalMerge) {
            continue;
        }
        arrivals.push_back({observation->ts, *kind});
    }

    std::vector<Trigger> eventStarts;
    for (const SignalObservation* observation : sorted) {
        if (observation->signal != Signal::eventStart) {
            continue;
        }
        const auto event = observation->decoded<EventStartPayload>();
        if (!event || event->locked || event->idle > inUseIdleLimit) {
            continue;
        }
        // No lower bound: an observation stamped before its event's start passes.
        if (saturatingSub(observation->ts, event->start) > eventStartLateness) {
            continue;
        }
        const bool covered = std::any_of(arrivals.begin(), arrivals.end(), [&](const Trigger& arrival) {
            return arrival.ts <= observation->ts &&
                   saturatingSub(event->start, arrival.ts) <= arrivalCoversEvent;
        });
        if (covered) {
            continue;
        }
        if (!eventStarts.empty() && saturatingSub(observation->ts, eventStarts.back().ts) < arrivalMerge) {
            continue;
        }
        eventStarts.push_back({observation->ts, Trigger::Kind::eventStart});
    }

    std::vector<Trigger> result;
    result.reserve(arrivals.size() + eventStarts.size());
    for (const auto* list : {&arrivals, &eventStarts}) {
        std::copy_if(list->begin(), list->end(), std::back_inserter(result),
                     [&](const Trigger& trigger) { return trigger.ts >= from && trigger.ts < to; });
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Trigger& a, const Trigger& b) { return a.ts < b.ts; });
    return result;
}

} // namespace ostrel
