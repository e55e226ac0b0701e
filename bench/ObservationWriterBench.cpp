// Observations committed per second, one transaction each, on a WAL file: through the queued
// writer, through Store::append on the calling thread, and as a plain loop of single-row SQLite
// transactions with every statement prepared once. The writer's overhead over raw SQLite is the gap
// between the first and the last. Each runs twice: with the file under TMPDIR (default /tmp, a
// disk: argument 0) and under /dev/shm (a tmpfs, which takes the disk's sync cost out: argument 1).

#include "Timing.hpp"

#include "core/observations/AppPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

namespace fs = std::filesystem;

constexpr int batch = 200;

const char* placeName(std::int64_t place) {
    return place == 0 ? "disk" : "tmpfs";
}

// A fresh store file in a folder of its own, removed afterwards: under TMPDIR for place 0, under
// /dev/shm for place 1.
class BenchFile {
public:
    explicit BenchFile(std::int64_t place)
        : folder_((place == 0 ? fs::temp_directory_path() : fs::path("/dev/shm")) /
                  ("ostrel-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
    }
    ~BenchFile() { fs::remove_all(folder_); }
    fs::path path() const { return folder_ / "quev.sqlite"; }

private:
    fs::path folder_;
};

const ostrel::AppPayload payload("com.apple.Notes", "Notes", "/System/Applications/Notes.app", false);

void BM_WriterCommits(benchmark::State& state) {
    BenchFile file(state.range(0));
    ostrel::Store store(file.path());
    ostrel::ObservationWriter writer(store, batch);
    double at = 1'700'000'000;
    ostrel::bench::timed(state, std::string("writer/") + placeName(state.range(0)), [&] {
        for (int i = 0; i < batch; ++i) {
            writer.record(ostrel::Signal::appActivate, payload, at += 0.001);
        }
        writer.flush();
    });
    if (writer.dropped() != 0) {
        state.SkipWithError("the writer dropped observations");
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_WriterCommits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StoreAppendCommits(benchmark::State& state) {
    BenchFile file(state.range(0));
    ostrel::Store store(file.path());
    double at = 1'700'000'000;
    ostrel::bench::timed(state, std::string("store/") + placeName(state.range(0)), [&] {
        for (int i = 0; i < batch; ++i) {
            const ostrel::SignalObservation observation(ostrel::Signal::appActivate, payload, at += 0.001);
            store.append(std::span(&observation, 1));
        }
    });
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_StoreAppendCommits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void check(int code, sqlite3* db) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

sqlite3_stmt* prepared(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    check(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr), db);
    return statement;
}

void run(sqlite3_stmt* statement, sqlite3* db) {
    check(sqlite3_step(statement), db);
    sqlite3_reset(statement);
}

// The least a single-row transaction costs: the store's connection flags and pragmas, BEGIN, the
// insert and COMMIT each prepared once, the payload encoded once.
void BM_RawSQLiteCommits(benchmark::State& state) {
    BenchFile file(state.range(0));
    { ostrel::Store store(file.path()); } // the same schema, WAL journal and file
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(file.path().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr), db);
    check(sqlite3_exec(db, "PRAGMA foreign_keys = ON; PRAGMA busy_timeout = 5000; PRAGMA synchronous = NORMAL", nullptr,
                       nullptr, nullptr),
          db);
    sqlite3_stmt* begin = prepared(db, "BEGIN");
    sqlite3_stmt* insert = prepared(db, "INSERT INTO observations (ts, signal, payload) VALUES (?, ?, ?)");
    sqlite3_stmt* commit = prepared(db, "COMMIT");
    const std::string text = ostrel::json::encodeRecord(payload);
    std::int64_t ts = 1'700'000'000'000;
    ostrel::bench::timed(state, std::string("raw/") + placeName(state.range(0)), [&] {
        for (int i = 0; i < batch; ++i) {
            run(begin, db);
            sqlite3_bind_int64(insert, 1, ++ts);
            sqlite3_bind_text(insert, 2, "app.activate", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_STATIC);
            run(insert, db);
            run(commit, db);
        }
    });
    sqlite3_finalize(begin);
    sqlite3_finalize(insert);
    sqlite3_finalize(commit);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_RawSQLiteCommits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        for (const std::string place : {"disk", "tmpfs"}) {
            ostrel::bench::printRatio(("writer's commit rate over raw SQLite's, " + place + " (aim: 0.9 or more)").c_str(),
                                      "raw/" + place, "writer/" + place);
            ostrel::bench::printRatio(("  Store::append's over raw SQLite's, " + place).c_str(), "raw/" + place,
                                      "store/" + place);
        }
    });
}
