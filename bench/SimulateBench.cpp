// Ninety simulated days of a student at medium noise with the application's services running on
// the simulated machine (ostrel-dev simulate), then the planning pass at each trigger of the last
// week on the whole store beside the plain SQLite read of its rows. Reported as counters of one
// run: simulated days per second; the share of wall time in planning passes (the worker's tasks)
// and what is left for the simulation itself (aim: a quarter or less); each pass's wall time
// during the run (median, p99); on the final store the pass and the raw read at each trigger of
// the last week (median, p99) and their ratio (aim: 2.5 or less); and the peak resident memory.

#include "RawRead.hpp"
#include "Timing.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "semester/Simulation.hpp"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

using namespace ostrel;

constexpr std::int64_t week = 7 * 86'400'000LL;

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

template <class Body>
double seconds(Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Simulate(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ostrel-bench-simulate-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    semester::SimulationOptions options;
    options.semester.days = static_cast<int>(state.range(0));
    options.semester.noise = semester::Noise::medium;
    options.semester.seed = 1;
    options.database = folder / "quev.sqlite";
    semester::Simulation::Stats stats;
    for (auto _ : state) {
        semester::Simulation simulation(options);
        simulation.run();
        stats = simulation.stats();
    }
    double passes = 0;
    for (const double pass : stats.passSeconds) {
        passes += pass;
    }
    state.counters["days_per_s"] = stats.days / stats.wallSeconds;
    state.counters["pass_share"] = passes / stats.wallSeconds;
    state.counters["own_share"] = 1 - passes / stats.wallSeconds;
    state.counters["passes"] = static_cast<double>(stats.passSeconds.size());
    state.counters["pass_median_ms"] = percentile(stats.passSeconds, 0.5) * 1e3;
    state.counters["pass_p99_ms"] = percentile(stats.passSeconds, 0.99) * 1e3;

    // The last week's triggers again, on the whole store: the pass beside the raw read of its rows.
    const Calendar calendar(options.semester.zone, "en_US");
    Store store(options.database, Store::Access::reader);
    const std::vector<Trigger> all = store.triggers(0, std::numeric_limits<std::int64_t>::max());
    const std::int64_t last = all.empty() ? 0 : all.back().ts;
    sqlite3* db = nullptr;
    sqlite3_open_v2(options.database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::vector<double> pass;
    std::vector<double> raw;
    for (const Trigger& trigger : all) {
        if (trigger.ts < last - week) {
            continue;
        }
        const std::int64_t now = trigger.ts + 5'000;
        pass.push_back(seconds([&] { benchmark::DoNotOptimize(PlanningPass::run(store, trigger, now, calendar, {})); }));
        raw.push_back(seconds([&] { benchmark::DoNotOptimize(bench::readPassRows(db, trigger.ts, now + 1)); }));
    }
    sqlite3_close(db);
    state.counters["final_pass_median_ms"] = percentile(pass, 0.5) * 1e3;
    state.counters["final_pass_p99_ms"] = percentile(pass, 0.99) * 1e3;
    state.counters["final_raw_median_ms"] = percentile(raw, 0.5) * 1e3;
    state.counters["final_raw_p99_ms"] = percentile(raw, 0.99) * 1e3;
    state.counters["pass_over_raw"] = percentile(raw, 0.5) > 0 ? percentile(pass, 0.5) / percentile(raw, 0.5) : 0;
    state.counters["observations"] = static_cast<double>(store.observationCount(0));
    state.counters["peak_MB"] = bench::peakMegabytes();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Simulate)->Arg(90)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
