// The time page's week load at the last class start of a generated semester (90 days at 4,000
// observations a day), three hours after it: TimeLoader's read of the week and the six hours
// before it, the classes, the report, and handing it to the main executor, in virtual time and
// without a language model. Beside it, the same reads and report done directly (the core alone),
// the TimeReport alone over rows already in memory, and the
// part of the load that runs on the main executor (taking the report over and telling the page).
// At the end the program prints their ratios, all run in the same process.

#include "SemesterFile.hpp"
#include "Timing.hpp"
#include "app/home/TimeLoader.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/observations/TimeReport.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/HeldWorkerRuntime.hpp"

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

const bench::ClassStartSemester& semester() {
    static const bench::ClassStartSemester instance("hometime");
    return instance;
}

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

// Three hours after the last class started.
Date now() {
    return static_cast<Date>(semester().trigger().ts + 3 * 3'600'000) / 1000.0;
}

// A page's loader over the semester's file, its worker held so that main's part can be timed alone.
struct Page {
    Page() : store(semester().database(), Store::Access::reader) {}

    // One week load; returns the seconds main spent on its answer.
    double load() {
        loader.load(TimeSpan::week);
        if (runtime.runWorker() != 1) {
            throw std::logic_error("the load read nothing");
        }
        const auto start = std::chrono::steady_clock::now();
        time.settle();
        const double main = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!loader.report()) {
            throw std::logic_error("the load made no report");
        }
        return main;
    }

    Store store;
    VirtualTime time{now()};
    test::HeldWorkerRuntime runtime{time};
    SimulatedMachine machine;
    Settings settings{Settings::inMemory};
    TimeLoader loader{{&store, runtime, berlin(), nullptr, settings, machine.workspace()}};
};

// The whole load; the main executor's part of each is kept beside it as "main", per repetition.
void BM_WeekLoad(benchmark::State& state) {
    Page page;
    double main = 0;
    std::int64_t loads = 0;
    bench::timed(state, "load", [&] {
        main += page.load();
        ++loads;
    });
    if (loads != 0) {
        bench::means()["main"].push_back({state.iterations(), main / static_cast<double>(loads)});
    }
    state.counters["main_us"] = loads != 0 ? main / static_cast<double>(loads) * 1e6 : 0;
    state.counters["active_h"] = static_cast<double>(page.loader.report()->active) / 3'600'000.0;
}
BENCHMARK(BM_WeekLoad)->Unit(benchmark::kMillisecond);

// The report alone over the same rows, already read.
void BM_ReportAlone(benchmark::State& state) {
    Store store(semester().database(), Store::Access::reader);
    const Date start = TimeLoader::windowStart(TimeSpan::week, now(), berlin());
    const auto from = static_cast<std::int64_t>(start * 1000.0);
    const auto to = static_cast<std::int64_t>(now() * 1000.0) + 1;
    const auto observations =
        store.observationsWithPayloadsOf(from - TimeLoader::readAhead, to, TimeReport::payloadSignals());
    const auto events = store.calendarEvents(from, to);
    bench::timed(state, "report", [&] {
        benchmark::DoNotOptimize(TimeReport(observations, from, to, events, berlin()));
    });
    state.counters["rows"] = static_cast<double>(observations.size());
}
BENCHMARK(BM_ReportAlone)->Unit(benchmark::kMillisecond);

// What the load does, done directly: the store's two reads and the report, no executors.
void BM_ReadAndReport(benchmark::State& state) {
    Store store(semester().database(), Store::Access::reader);
    const Date start = TimeLoader::windowStart(TimeSpan::week, now(), berlin());
    const auto from = static_cast<std::int64_t>(start * 1000.0);
    const auto to = static_cast<std::int64_t>(now() * 1000.0) + 1;
    bench::timed(state, "core", [&] {
        const auto observations =
            store.observationsWithPayloadsOf(from - TimeLoader::readAhead, to, TimeReport::payloadSignals());
        const auto events = store.calendarEvents(from, to);
        benchmark::DoNotOptimize(TimeReport(observations, from, to, events, berlin()));
    });
}
BENCHMARK(BM_ReadAndReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("week load over the core's read and report (aim 1.3 or less)", "load", "core");
        ostrel::bench::printRatio("week load over the report alone", "load", "report");
        // The main executor's part is tiny beside the load: printed in microseconds and per cent.
        const auto& table = ostrel::bench::means();
        if (table.count("main") != 0 && table.count("load") != 0) {
            const double main = ostrel::bench::median(ostrel::bench::repetitions(table.at("main")));
            const double load = ostrel::bench::median(ostrel::bench::repetitions(table.at("load")));
            if (load > 0) {
                std::printf("the main executor's part of a week load: %.1f us of %.1f ms (%.3f %%)\n", main * 1e6,
                            load * 1e3, main / load * 100);
            }
        }
    });
}
