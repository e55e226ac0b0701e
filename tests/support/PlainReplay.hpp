#pragma once

// The replay written the long way: before every episode, everything is relearned from the
// episodes before it. Slow on purpose; the measure the quick replay is held to. Header-only so
// that benchmarks can use it.

#include "core/learning/Planner.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/replay/Replay.hpp"

#include <algorithm>
#include <vector>

namespace ostrel::test {

inline Replay::Report plainReplay(const std::vector<Episode>& episodes,
                                  const std::vector<CalendarSeries>& series, const Calendar& calendar) {
    std::vector<Episode> sorted = episodes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Episode& a, const Episode& b) { return a.start < b.start; });
    Replay::Report report;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::vector<Episode> prior(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(i));
        const auto routines = RoutineLearner::routines(prior, series, calendar);
        const Episode& e = sorted[i];
        const auto choice = Planner::choose(e.trigger, e.context, e.context.open, routines, prior, calendar);
        std::optional<std::vector<Item>> predicted;
        if (choice && choice->routine.trust != TrustLevel::observe) {
            predicted = choice->routine.items;
        }
        report.episodes.push_back({e, predicted});
    }
    return report;
}

} // namespace ostrel::test
