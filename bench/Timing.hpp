#pragma once

// What the benchmark programs share: the mean time of each benchmark, kept by name so a program
// can print the ratios it is about at the end, and the process's peak memory.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <sys/resource.h>

#include <benchmark/benchmark.h>

namespace ostrel::bench {

inline std::map<std::string, double>& means() {
    static std::map<std::string, double> table;
    return table;
}

// The process's peak resident memory so far, in megabytes.
inline double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes on Linux
}

// Runs the benchmark loop, timing the body by hand as well and keeping its mean under name, and
// sets the peak_MB counter.
template <class Body>
void timed(benchmark::State& state, const std::string& name, Body&& body) {
    double total = 0;
    std::int64_t runs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++runs;
    }
    means()[name] = runs == 0 ? 0 : total / static_cast<double>(runs);
    state.counters["peak_MB"] = peakMegabytes();
}

// "what: 2.05", when both benchmarks ran.
inline void printRatio(const char* what, const std::string& numerator, const std::string& denominator) {
    const auto& table = means();
    if (table.count(numerator) != 0 && table.count(denominator) != 0 && table.at(denominator) > 0) {
        std::printf("%s: %.2f\n", what, table.at(numerator) / table.at(denominator));
    }
}

// A main that runs the benchmarks and then calls report().
template <class Report>
int runBenchmarks(int argc, char** argv, Report&& report) {
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
