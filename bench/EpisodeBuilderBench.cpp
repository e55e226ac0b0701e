// The episode builder in memory over a generated semester, as every planning pass rebuilds it:
// N = 90 days at 4,000 observations a day, then 2N. Twice the history should take about twice the
// time; the ratios are printed at the end (above 2.3 is a defect to find).

#include "Timing.hpp"
#include "core/episodes/EpisodeBuilder.hpp"
#include "semester/SemesterGenerator.hpp"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

constexpr int days = 90; // N

// The semester of the given length; without the running-apps and windows snapshots when asked,
// so that every trigger's open items rest on all the launches, quits, opens and closes before it.
const semester::Semester& semesterOf(int length, bool snapshots) {
    static std::map<std::pair<int, bool>, std::unique_ptr<semester::Semester>> made;
    auto& slot = made[{length, snapshots}];
    if (!slot) {
        semester::SemesterOptions options;
        options.days = length;
        options.perDay = 4'000;
        slot = std::make_unique<semester::Semester>(semester::generateSemester(options));
        if (!snapshots) {
            std::erase_if(slot->observations, [](const SignalObservation& o) {
                return o.signal == Signal::appsRunning || o.signal == Signal::windows;
            });
        }
    }
    return *slot;
}

void counters(benchmark::State& state, const semester::Semester& semester) {
    state.counters["observations"] = static_cast<double>(semester.observations.size());
    state.counters["triggers"] = static_cast<double>(semester.triggers.size());
}

void BM_EpisodesOverHistory(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const semester::Semester& s = semesterOf(length, true);
    bench::timed(state, "history/" + std::to_string(length), [&] {
        benchmark::DoNotOptimize(EpisodeBuilder::episodes(s.triggers, s.observations, s.calendar));
    });
    counters(state, s);
}
BENCHMARK(BM_EpisodesOverHistory)->Arg(days)->Arg(2 * days)->Unit(benchmark::kMillisecond);

// The replay carried from trigger to trigger keeps this linear too.
void BM_EpisodesWithoutSnapshots(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const semester::Semester& s = semesterOf(length, false);
    bench::timed(state, "no snapshots/" + std::to_string(length), [&] {
        benchmark::DoNotOptimize(EpisodeBuilder::episodes(s.triggers, s.observations, s.calendar));
    });
    counters(state, s);
}
BENCHMARK(BM_EpisodesWithoutSnapshots)->Arg(days)->Arg(2 * days)->Unit(benchmark::kMillisecond);

// The share of a rebuild that sorting and indexing the observations takes, before any payload is
// decoded.
void BM_IndexHistory(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const semester::Semester& s = semesterOf(length, true);
    bench::timed(state, "index/" + std::to_string(length), [&] {
        const EpisodeBuilder::Timeline timeline(s.observations);
        benchmark::DoNotOptimize(&timeline);
    });
    counters(state, s);
}
BENCHMARK(BM_IndexHistory)->Arg(days)->Arg(2 * days)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const std::string n = std::to_string(days);
    const std::string twice = std::to_string(2 * days);
    return ostrel::bench::runBenchmarks(argc, argv, [&] {
        ostrel::bench::printRatio("builder, time for 2N over time for N (linear is 2)", "history/" + twice,
                                  "history/" + n);
        ostrel::bench::printRatio("  without snapshots", "no snapshots/" + twice, "no snapshots/" + n);
        ostrel::bench::printRatio("  indexing alone", "index/" + twice, "index/" + n);
    });
}
