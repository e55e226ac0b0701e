#include "core/browsing/TabPayload.hpp"
#include "core/browsing/WebPage.hpp"

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

// The learner reduces the page visits of many episodes to one page per routine: the cost is
// parsing every visit and counting its path segments, including the grapheme test of the kept ones.
void BM_StablePage(benchmark::State& state) {
    std::vector<std::string> urls;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        urls.push_back("https://lms.example.edu/courses/12345/assignments/" + std::to_string(i % 7) +
                       "?module_item_id=" + std::to_string(i) + "#submit");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::WebPage::stablePage(urls));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StablePage)->Arg(10)->Arg(1'000);

// The browser source builds one tab payload every poll.
void BM_TabPayload(benchmark::State& state) {
    const auto& exclusions = ostrel::SiteExclusionList::defaultList();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::TabPayload::make(
            "https://docs.example.com/document/d/1AbCdEfGhIjK/edit?usp=sharing", 1'000, 0, exclusions));
    }
}
BENCHMARK(BM_TabPayload);

} // namespace
