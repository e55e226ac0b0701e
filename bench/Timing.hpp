#pragma once

// What the benchmark programs share: the mean time of every repetition of each benchmark, kept by
// name so a program can print the ratios it is about at the end, and the process's peak memory.
// Ratios are taken between medians of repetitions run in the same process: one cold or disturbed
// repetition moves a mean or a last value, not a median.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace ostrel::bench {

// One run of a benchmark's loop: how many iterations and their mean time in seconds.
struct Run {
    std::int64_t iterations = 0;
    double mean = 0;
};

// Every run of each benchmark's loop, by benchmark name. Google Benchmark first runs the loop with
// growing iteration counts until one run lasts long enough, and then runs every further repetition
// with that count; the shorter probes are no repetitions and are left out of the medians.
inline std::map<std::string, std::vector<Run>>& means() {
    static std::map<std::string, std::vector<Run>> table;
    return table;
}

// The means of the repetitions kept under one name: the runs with the largest iteration count.
inline std::vector<double> repetitions(const std::vector<Run>& runs) {
    std::int64_t most = 0;
    for (const Run& run : runs) {
        most = std::max(most, run.iterations);
    }
    std::vector<double> kept;
    for (const Run& run : runs) {
        if (run.iterations == most) {
            kept.push_back(run.mean);
        }
    }
    return kept;
}

// How many repetitions run when --benchmark_repetitions is not given.
constexpr int defaultRepetitions = 5;

inline double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The process's peak resident memory so far, in megabytes.
inline double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes on Linux
}

// Runs the benchmark loop, timing the body by hand as well and adding its mean to those kept under
// name, and sets the peak_MB counter. The first time a name runs, the body runs once untimed
// beforehand, so caches, the page cache and the allocator are warm for every counted repetition.
template <class Body>
void timed(benchmark::State& state, const std::string& name, Body&& body) {
    auto& kept = means()[name];
    if (kept.empty()) {
        body();
    }
    double total = 0;
    std::int64_t runs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++runs;
    }
    if (runs != 0) {
        kept.push_back({runs, total / static_cast<double>(runs)});
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// "what: 2.05 (medians of 5 and 5 repetitions)", the ratio of the two benchmarks' median
// repetitions, when both ran.
inline void printRatio(const char* what, const std::string& numerator, const std::string& denominator) {
    const auto& table = means();
    const auto top = table.find(numerator);
    const auto bottom = table.find(denominator);
    if (top == table.end() || bottom == table.end()) {
        return;
    }
    const std::vector<double> above = repetitions(top->second);
    const std::vector<double> below = repetitions(bottom->second);
    if (!above.empty() && !below.empty() && median(below) > 0) {
        std::printf("%s: %.2f (medians of %zu and %zu repetitions)\n", what, median(above) / median(below),
                    above.size(), below.size());
    }
}

// A main that runs the benchmarks and then calls report(). Unless the command line sets
// --benchmark_repetitions, every benchmark runs defaultRepetitions times.
template <class Report>
int runBenchmarks(int argc, char** argv, Report&& report) {
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=" + std::to_string(defaultRepetitions);
    if (std::none_of(arguments.begin(), arguments.end(), [](const char* argument) {
            return std::strncmp(argument, "--benchmark_repetitions", 23) == 0;
        })) {
        arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), repetitions.data());
    }
    argc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report();
    std::printf("peak resident memory of this run: %.0f MB\n", peakMegabytes());
    return 0;
}

} // namespace ostrel::bench
