// The whole planning pass at the last class start of a generated semester (90 days at 4,000
// observations a day), as the autopilot runs it a few seconds after the trigger: both episode
// rebuilds, learning, the routine book, the choice, pick-up, the answers and the rules. Beside it,
// the plain SQLite read of the same rows, statement for statement, the floor any pass over the
// stored history pays. The ratio is printed at the end (aim: 2.5 or less). pass_peak_MB is the
// peak of one pass alone: the most memory its C++ allocations held at once above what was held
// before it, plus SQLite's own high-water mark during it. (The process's resident size cannot
// show it: memory freed after generating the semester stays resident and the pass reuses it.)

#include "SemesterFile.hpp"
#include "RawRead.hpp"
#include "Timing.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <malloc.h>
#include <new>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

// Every C++ allocation of the program is counted, so that the peak of one pass can be read.
namespace {
namespace heap {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void add(void* block) {
    const std::size_t now = held += malloc_usable_size(block);
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

} // namespace heap
} // namespace

// Every non-aligned form is replaced, so that whatever allocates with one frees with its partner.
void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    heap::add(block);
    return block;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        heap::add(block);
    }
    return block;
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}

void operator delete(void* block) noexcept {
    if (block != nullptr) {
        heap::held -= malloc_usable_size(block);
        std::free(block);
    }
}

void operator delete[](void* block) noexcept {
    operator delete(block);
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    operator delete(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    operator delete(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    operator delete(block);
}

namespace {

using namespace ostrel;

constexpr std::int64_t day = 86'400'000;
// How long after its trigger the pass runs.
constexpr std::int64_t delay = 5'000;

// One generated database for the run, removed at exit, and the last class start in it.
class SemesterFile {
public:
    std::filesystem::path database() const { return semester_.database(); }
    const semester::SemesterSummary& summary() const { return semester_.summary(); }
    const Trigger& trigger() const { return semester_.trigger(); }
    std::int64_t now() const { return trigger().ts + delay; }

    static const SemesterFile& shared() {
        static const SemesterFile file;
        return file;
    }

private:
    bench::ClassStartSemester semester_{"plan"};
};

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

std::optional<PlanningPass::Result> plan(Store& store) {
    const SemesterFile& file = SemesterFile::shared();
    return PlanningPass::run(store, file.trigger(), file.now(), berlin(), {});
}

void BM_PlanningPass(benchmark::State& state) {
    Store store(SemesterFile::shared().database(), Store::Access::reader);
    // Both high-water marks start again from what is held now, so that they show one pass alone.
    const std::size_t before = heap::held.load();
    heap::peak = before;
    const auto sqliteBefore = sqlite3_memory_used();
    sqlite3_memory_highwater(1);
    const auto first = plan(store);
    const double peak = static_cast<double>(heap::peak.load() - before) +
                        static_cast<double>(sqlite3_memory_highwater(0) - sqliteBefore);
    if (!first) {
        state.SkipWithError("no episode for the trigger");
        return;
    }
    bench::timed(state, "pass", [&] { benchmark::DoNotOptimize(plan(store)); });
    state.counters["pass_peak_MB"] = peak / 1e6;
    state.counters["routines"] = static_cast<double>(
        PlanningPass::known(store, SemesterFile::shared().trigger().ts, berlin()).routines.size());
    state.counters["chose"] = first->choice ? 1 : 0;
}
BENCHMARK(BM_PlanningPass)->Unit(benchmark::kMillisecond)->MinTime(5.0);

// The rows the pass reads, statement for statement: the trigger's episode (a day of observations
// before it, its triggers and the events around it), the history (everything before the
// trigger), the series, the edits and the answers.
void BM_RawRead(benchmark::State& state) {
    const SemesterFile& file = SemesterFile::shared();
    const std::int64_t ts = file.trigger().ts;
    const std::int64_t to = saturatingAdd(file.now(), 1);
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t rows = 0;
    const auto read = [&] { rows = bench::readPassRows(db, ts, to); };
    const std::size_t before = heap::held.load();
    heap::peak = before;
    const auto sqliteBefore = sqlite3_memory_used();
    sqlite3_memory_highwater(1);
    read();
    const double peak = static_cast<double>(heap::peak.load() - before) +
                        static_cast<double>(sqlite3_memory_highwater(0) - sqliteBefore);
    bench::timed(state, "raw", read);
    sqlite3_close(db);
    state.counters["raw_peak_MB"] = peak / 1e6;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["observations"] = static_cast<double>(file.summary().observations);
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("planning pass over the raw read of its rows (aim: 2.5 or less)", "pass",
                                  "raw");
    });
}
