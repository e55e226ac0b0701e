#include "core/observations/ActivitySummary.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Text.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/WindowPayload.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const ActivitySummary::App& a, const ActivitySummary::App& b) {
    return text::equal(a.bundleID, b.bundleID);
}
bool operator==(const ActivitySummary::Document& a, const ActivitySummary::Document& b) {
    return text::equal(a.path, b.path);
}
bool operator==(const ActivitySummary::Note& a, const ActivitySummary::Note& b) {
    return text::equal(a.app, b.app) && text::equal(a.title, b.title);
}
bool operator==(const ActivitySummary::Site& a, const ActivitySummary::Site& b) {
    return text::equal(a.site, b.site);
}

namespace {

std::optional<ActivitySummary::Used> used(const SignalObservation& observation) {
    if (observation.signal == Signal::appActivate) {
        const auto payload = observation.decoded<AppPayload>();
        if (payload && payload->bundleID) {
            return ActivitySummary::App{*payload->bundleID};
        }
    } else if (observation.signal == Signal::windowFocus || observation.signal == Signal::windowChange) {
        const auto payload = observation.decoded<WindowPayload>();
        if (payload && payload->document) {
            return ActivitySummary::Document{*payload->document};
        }
        if (payload && payload->title) {
            return ActivitySummary::Note{payload->bundleID, *payload->title};
        }
    } else if (observation.signal == Signal::browserTab) {
        const auto payload = observation.decoded<TabPayload>();
        if (payload && payload->site) {
            return ActivitySummary::Site{*payload->site};
        }
    }
    return std::nullopt;
}

} // namespace

ActivitySummary::ActivitySummary(std::span<const SignalObservation> observations)
    : noticed(static_cast<std::int64_t>(observations.size())) {
    std::vector<const SignalObservation*> newestFirst;
    newestFirst.reserve(observations.size());
    for (const SignalObservation& observation : observations) {
        newestFirst.push_back(&observation);
    }
    std::stable_sort(newestFirst.begin(), newestFirst.end(),
                     [](const SignalObservation* a, const SignalObservation* b) { return a->ts > b->ts; });
    if (!newestFirst.empty()) {
        lastNoticed = newestFirst.front()->ts;
    }
    // The distinct things used are few next to the observations, so a search of the list is enough.
    for (const SignalObservation* observation : newestFirst) {
        auto item = used(*observation);
        if (item && std::find(items.begin(), items.end(), *item) == items.end()) {
            items.push_back(std::move(*item));
        }
    }
}

} // namespace ostrel
