#include "Timing.hpp"

#include "core/foundation/LinkDetector.hpp"

#include <array>
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

constexpr std::int64_t kilobyte = 1024;
constexpr std::int64_t megabyte = 1024 * kilobyte;

// An invitation's prose, the same for every run: words from a small list picked by a fixed linear
// congruential sequence, sentences, lines of about 80 bytes, and a link (URL, www host or mail address)
// every 2 KB or so.
std::string prose(std::int64_t size) {
    constexpr std::array<const char*, 16> words = {"the",   "lecture", "moves",  "to",     "room",   "B204",
                                                   "please", "bring",  "your",   "notes",  "and",    "slides",
                                                   "we",     "meet",   "weekly", "(Tue)"};
    constexpr std::array<const char*, 3> links = {"https://zoom.us/j/8412?pwd=abc.", "www.uni.example/course,",
                                                  "prof@uni.example."};
    std::string text;
    std::uint32_t state = 12345;
    std::int64_t line = 0;
    std::size_t link = 0;
    while (static_cast<std::int64_t>(text.size()) < size) {
        state = state * 1664525U + 1013904223U;
        const bool withLink = (state >> 8) % 300 == 0;
        const std::size_t before = text.size();
        text += withLink ? links[link++ % links.size()] : words[(state >> 16) % words.size()];
        text += (state >> 12) % 9 == 0 ? ". " : " ";
        line += static_cast<std::int64_t>(text.size() - before);
        if (line > 80) {
            text.back() = '\n';
            line = 0;
        }
    }
    text.resize(static_cast<std::size_t>(size));
    return text;
}

// Runs of word boundaries with nothing else, the text that made the former search quadratic: lines
// of 64 KB of "a." (or "a-"), so that a text past the scan limit still has somewhere to be cut.
std::string runs(const char* pair, std::int64_t size) {
    std::string text;
    while (static_cast<std::int64_t>(text.size()) < size) {
        text += pair;
        if (text.size() % (64 * kilobyte) == 0) {
            text.back() = '\n';
        }
    }
    text.resize(static_cast<std::size_t>(size));
    return text;
}

void measure(benchmark::State& state, const std::string& name, const std::string& text) {
    std::size_t found = 0;
    bench::timed(state, name + "/" + std::to_string(state.range(0)), [&] {
        found = LinkDetector::links(text).size();
        benchmark::DoNotOptimize(found);
    });
    state.counters["links"] = static_cast<double>(found);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_LinksInProse(benchmark::State& state) {
    measure(state, "prose", prose(state.range(0)));
}

void BM_LinksInDots(benchmark::State& state) {
    measure(state, "dots", runs("a.", state.range(0)));
}

void BM_LinksInDashes(benchmark::State& state) {
    measure(state, "dashes", runs("a-", state.range(0)));
}

// 64 KB and 256 KB are scanned whole; 1 MB is cut at the scan limit (256 KB).
BENCHMARK(BM_LinksInProse)->Arg(64 * kilobyte)->Arg(256 * kilobyte)->Arg(megabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinksInDots)->Arg(64 * kilobyte)->Arg(256 * kilobyte)->Arg(megabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinksInDashes)->Arg(megabyte)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const std::string small = std::to_string(64 * kilobyte);
    const std::string limit = std::to_string(256 * kilobyte);
    const std::string mb = std::to_string(megabyte);
    return ostrel::bench::runBenchmarks(argc, argv, [&] {
        ostrel::bench::printRatio("1 MB of \"a.\" over 1 MB of prose (aim: 2 or less)", "dots/" + mb, "prose/" + mb);
        ostrel::bench::printRatio("1 MB of \"a-\" over 1 MB of prose", "dashes/" + mb, "prose/" + mb);
        ostrel::bench::printRatio("\"a.\", 256 KB over 64 KB (linear is 4)", "dots/" + limit, "dots/" + small);
        ostrel::bench::printRatio("prose, 256 KB over 64 KB (linear is 4)", "prose/" + limit, "prose/" + small);
        ostrel::bench::printRatio("prose, 1 MB over 256 KB (cut at the limit: about 1)", "prose/" + mb,
                                  "prose/" + limit);
    });
}
