// Store::episodes over a generated semester (90 days at 4,000 observations a day) beside the
// plain SQLite read of the same rows, and the store's read of the observations alone. The builder
// in memory is bench_episodebuilder. The ratios are printed at the end: the rebuild's cost over
// the raw read (we aim at 2 or less), and the store's read alone over it.

#include "SemesterFile.hpp"
#include "Timing.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

using namespace ostrel;

constexpr int perDay = 4'000;
constexpr int days = 90; // N

// ---- The store's rebuild against the raw read ----

// One generated database for the run, removed at exit.
const bench::SemesterFile& semesterFile() {
    static const bench::SemesterFile file("episodes", [] {
        semester::SemesterOptions options;
        options.days = days;
        options.perDay = perDay;
        return options;
    }());
    return file;
}

void BM_StoreEpisodes(benchmark::State& state) {
    const bench::SemesterFile& file = semesterFile();
    Store store(file.database());
    std::size_t episodes = 0;
    bench::timed(state, "store", [&] {
        const auto built = store.episodes(0, file.summary().to);
        episodes = built.size();
        benchmark::DoNotOptimize(built);
    });
    state.counters["observations"] = static_cast<double>(file.summary().observations);
    state.counters["episodes"] = static_cast<double>(episodes);
}
BENCHMARK(BM_StoreEpisodes)->Unit(benchmark::kMillisecond);

// The store's own read of the observations alone, to tell the reading from the building.
void BM_StoreObservations(benchmark::State& state) {
    const bench::SemesterFile& file = semesterFile();
    Store store(file.database());
    bench::timed(state, "store read", [&] {
        const auto observations = store.observations(0, file.summary().to);
        benchmark::DoNotOptimize(observations);
    });
}
BENCHMARK(BM_StoreObservations)->Unit(benchmark::kMillisecond);

struct RawObservation {
    std::int64_t ts;
    std::string signal;
    std::string payload;
};
struct RawEvent {
    std::string key;
    std::int64_t occurrence;
    std::int64_t recurring;
    std::string title;
    std::int64_t start;
    std::int64_t end;
    std::string location;
    std::string calendar;
    std::string links;
};

std::string text(sqlite3_stmt* statement, int column) {
    const auto* bytes = sqlite3_column_text(statement, column);
    return bytes == nullptr ? std::string()
                            : std::string(reinterpret_cast<const char*>(bytes),
                                          static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// The rows Store::episodes(0, to) reads, with nothing but SQLite: every observation before to,
// the triggers, and the calendar events of the range and a day after it.
void BM_RawRead(benchmark::State& state) {
    const bench::SemesterFile& file = semesterFile();
    const std::int64_t to = file.summary().to;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t rows = 0;
    bench::timed(state, "raw", [&] {
        std::vector<RawObservation> observations;
        std::vector<std::pair<std::int64_t, std::string>> triggers;
        std::vector<RawEvent> events;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(
            db, "SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ? ORDER BY ts, id", -1,
            &statement, nullptr);
        sqlite3_bind_int64(statement, 1, 0);
        sqlite3_bind_int64(statement, 2, to);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            observations.push_back(
                {sqlite3_column_int64(statement, 0), text(statement, 1), text(statement, 2)});
        }
        sqlite3_finalize(statement);
        sqlite3_prepare_v2(db, "SELECT ts, kind FROM triggers WHERE ts >= ? AND ts < ? ORDER BY ts", -1,
                           &statement, nullptr);
        sqlite3_bind_int64(statement, 1, 0);
        sqlite3_bind_int64(statement, 2, to);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            triggers.emplace_back(sqlite3_column_int64(statement, 0), text(statement, 1));
        }
        sqlite3_finalize(statement);
        sqlite3_prepare_v2(
            db,
            "SELECT key, occurrence, recurring, title, start_ts, end_ts, location, calendar, links "
            "FROM calendar_events WHERE start_ts < ? AND end_ts > ? ORDER BY start_ts, key",
            -1, &statement, nullptr);
        sqlite3_bind_int64(statement, 1, to + 86'400'000);
        sqlite3_bind_int64(statement, 2, 0);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            events.push_back({text(statement, 0), sqlite3_column_int64(statement, 1),
                              sqlite3_column_int64(statement, 2), text(statement, 3),
                              sqlite3_column_int64(statement, 4), sqlite3_column_int64(statement, 5),
                              text(statement, 6), text(statement, 7), text(statement, 8)});
        }
        sqlite3_finalize(statement);
        rows = observations.size() + triggers.size() + events.size();
        benchmark::DoNotOptimize(observations);
    });
    sqlite3_close(db);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("Store::episodes over the raw read of its rows (aim: 2 or less)", "store",
                                  "raw");
        ostrel::bench::printRatio("  of which Store::observations over the raw read", "store read", "raw");
    });
}
