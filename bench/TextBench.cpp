#include "core/foundation/Calendar.hpp"
#include "core/foundation/Text.hpp"

#include <string>

#include <benchmark/benchmark.h>

namespace {

// Ids as the learner compares them: mostly ASCII, sometimes with accented titles.
const std::string asciiA = "note:com.apple.Notes:Week 3: vectors and matrices";
const std::string asciiB = "note:com.apple.Notes:Week 3: vectors and matricez";
const std::string composedA = "note:com.apple.Notes:R\u00E9sum\u00E9 of the caf\u00E9 talk";
const std::string decomposedA = "note:com.apple.Notes:Re\u0301sume\u0301 of the cafe\u0301 talk";

void BM_EqualAscii(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::equal(asciiA, asciiB));
    }
}
BENCHMARK(BM_EqualAscii);

void BM_EqualComposed(benchmark::State& state) {
    const std::string other = composedA + "x";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::equal(composedA, other));
    }
}
BENCHMARK(BM_EqualComposed);

void BM_EqualDecomposed(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::equal(composedA, decomposedA));
    }
}
BENCHMARK(BM_EqualDecomposed);

void BM_CompareAscii(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::compare(asciiA, asciiB));
    }
}
BENCHMARK(BM_CompareAscii);

void BM_CompareDecomposed(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::compare(asciiA, decomposedA));
    }
}
BENCHMARK(BM_CompareDecomposed);

void BM_HashAscii(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::hash(asciiA));
    }
}
BENCHMARK(BM_HashAscii);

void BM_HashDecomposed(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::text::hash(decomposedA));
    }
}
BENCHMARK(BM_HashDecomposed);

void BM_CalendarComponents(benchmark::State& state) {
    const ostrel::Calendar calendar("Europe/Berlin", "de_DE");
    double date = 1709541000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(calendar.components(date));
        date += 1800;
    }
}
BENCHMARK(BM_CalendarComponents);

void BM_CalendarStartOfDay(benchmark::State& state) {
    const ostrel::Calendar calendar("Europe/Berlin", "de_DE");
    double date = 1709541000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(calendar.startOfDay(date));
        date += 1800;
    }
}
BENCHMARK(BM_CalendarStartOfDay);

} // namespace
