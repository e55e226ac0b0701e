// The episode path over a generated semester: the builder in memory at N and 2N observations
// (N = 90 days at 4,000 a day), and Store::episodes over the 90 days beside the plain SQLite read
// of the same rows. The figures are printed at the end: the builder's growth for twice the data
// (about 2 is linear) and the rebuild's cost over the raw read (we aim at 2 or less), with the
// store's read of the observations alone beside it.

#include "core/episodes/EpisodeBuilder.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

using namespace ostrel;

constexpr int perDay = 4'000;
constexpr int days = 90; // N

// Mean seconds per iteration of each benchmark, for the ratios printed at the end.
std::map<std::string, double>& means() {
    static std::map<std::string, double> table;
    return table;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes on Linux
}

// Times the loop body by hand as well, so the ratios need no parsing of the report.
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
    means()[name] = total / static_cast<double>(runs);
    state.counters["peak_MB"] = peakMegabytes();
}

// ---- The builder in memory ----

const semester::Semester& semesterOf(int length) {
    static std::map<int, std::unique_ptr<semester::Semester>> made;
    auto& slot = made[length];
    if (!slot) {
        semester::SemesterOptions options;
        options.days = length;
        options.perDay = perDay;
        slot = std::make_unique<semester::Semester>(semester::generateSemester(options));
    }
    return *slot;
}

void BM_EpisodeBuilder(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const semester::Semester& semester = semesterOf(length);
    std::size_t episodes = 0;
    timed(state, "builder/" + std::to_string(length), [&] {
        const auto built =
            EpisodeBuilder::episodes(semester.triggers, semester.observations, semester.calendar);
        episodes = built.size();
        benchmark::DoNotOptimize(built);
    });
    state.counters["observations"] = static_cast<double>(semester.observations.size());
    state.counters["triggers"] = static_cast<double>(semester.triggers.size());
    state.counters["episodes"] = static_cast<double>(episodes);
}
BENCHMARK(BM_EpisodeBuilder)->Arg(days)->Arg(2 * days)->Unit(benchmark::kMillisecond);

// ---- The store's rebuild against the raw read ----

// One generated database for the run, removed at exit.
class SemesterFile {
public:
    SemesterFile()
        : path_(std::filesystem::temp_directory_path() /
                ("ostrel-bench-episodes-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        semester::SemesterOptions options;
        options.days = days;
        options.perDay = perDay;
        semester::SemesterGenerator generator(options);
        Store store(path_ / "quev.sqlite");
        summary_ = semester::writeSemester(generator, store);
    }
    ~SemesterFile() { std::filesystem::remove_all(path_); }

    std::filesystem::path database() const { return path_ / "quev.sqlite"; }
    const semester::SemesterSummary& summary() const { return summary_; }

    static const SemesterFile& shared() {
        static const SemesterFile file;
        return file;
    }

private:
    std::filesystem::path path_;
    semester::SemesterSummary summary_;
};

void BM_StoreEpisodes(benchmark::State& state) {
    const SemesterFile& file = SemesterFile::shared();
    Store store(file.database());
    std::size_t episodes = 0;
    timed(state, "store", [&] {
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
    const SemesterFile& file = SemesterFile::shared();
    Store store(file.database());
    timed(state, "store read", [&] {
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
    const SemesterFile& file = SemesterFile::shared();
    const std::int64_t to = file.summary().to;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t rows = 0;
    timed(state, "raw", [&] {
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

void printRatio(const char* what, const std::string& numerator, const std::string& denominator) {
    const auto& table = means();
    if (table.count(numerator) != 0 && table.count(denominator) != 0 && table.at(denominator) > 0) {
        std::printf("%s: %.2f\n", what, table.at(numerator) / table.at(denominator));
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatio("builder, time for 2N over time for N (linear is 2)", "builder/" + std::to_string(2 * days),
               "builder/" + std::to_string(days));
    printRatio("Store::episodes over the raw read of its rows (aim: 2 or less)", "store", "raw");
    printRatio("  of which Store::observations over the raw read", "store read", "raw");
    std::printf("peak resident memory of this run: %.0f MB\n", peakMegabytes());
    return 0;
}
