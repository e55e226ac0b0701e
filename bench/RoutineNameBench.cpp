#include "core/learning/Planner.hpp"
#include "core/learning/Prediction.hpp"
#include "core/learning/RoutineName.hpp"

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

// The routines page names every routine at each refresh: classes, one-off titles and slots.
void BM_NameRoutines(benchmark::State& state) {
    const Calendar calendar("America/New_York", "en_US");
    std::vector<CalendarSeries> series;
    std::vector<ContextKey> keys;
    for (int i = 0; i < 20; ++i) {
        series.push_back({"series-" + std::to_string(i), "Course " + std::to_string(i) + " Lecture", 0});
        keys.push_back(ContextKey::event("series-" + std::to_string(i)));
        keys.push_back(ContextKey::title("review session " + std::string(1, static_cast<char>('a' + i))));
        keys.push_back(ContextKey::slot(1 + i % 7, i * 2, "unknown"));
    }
    for (auto _ : state) {
        for (const ContextKey& key : keys) {
            benchmark::DoNotOptimize(RoutineName::name(key, series, calendar));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}
BENCHMARK(BM_NameRoutines);

// A guess at a class start with a term's worth of learned class routines to borrow from.
void BM_GuessForAClass(benchmark::State& state) {
    std::vector<CalendarSeries> series;
    std::vector<Routine> routines;
    for (int i = 0; i < 40; ++i) {
        const std::string key = "series-" + std::to_string(i);
        series.push_back({key, "Course " + std::to_string(i % 10) + (i % 2 ? " Lab" : " Lecture"), 0});
        std::vector<Item> items;
        for (int j = 0; j < 5; ++j) {
            items.push_back(*Item::app("app." + std::to_string(i) + "." + std::to_string(j)));
        }
        routines.push_back({ContextKey::event(key), std::move(items), 3 + i % 4, 0.7, TrustLevel::suggest});
    }
    Context context;
    context.events = {{"new-series",
                       0,
                       true,
                       "Course 3 Recitation",
                       0,
                       0,
                       std::nullopt,
                       "School",
                       {"https://course.example/3"}}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(Planner::guess(context, {}, routines, series));
    }
}
BENCHMARK(BM_GuessForAClass);

} // namespace
