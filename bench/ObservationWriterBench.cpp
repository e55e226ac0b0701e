// Observations committed per second, one transaction each, on a WAL file: through the queued
// writer, through Store::append on the calling thread, and as a plain loop of single-row SQLite
// transactions with one prepared statement. The writer's overhead over raw SQLite is the gap
// between the first and the last. The file lives under TMPDIR (default /tmp); point TMPDIR at a
// tmpfs to take the disk's sync cost out of the picture.

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

// A fresh store file in a folder of its own, removed afterwards.
class BenchFile {
public:
    BenchFile() : folder_(fs::temp_directory_path() / ("ostrel-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
    }
    ~BenchFile() { fs::remove_all(folder_); }
    fs::path path() const { return folder_ / "quev.sqlite"; }

private:
    fs::path folder_;
};

const ostrel::AppPayload payload("com.apple.Notes", "Notes", "/System/Applications/Notes.app", false);

void BM_WriterCommits(benchmark::State& state) {
    BenchFile file;
    ostrel::Store store(file.path());
    ostrel::ObservationWriter writer(store, batch);
    double at = 1'700'000'000;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            writer.record(ostrel::Signal::appActivate, payload, at += 0.001);
        }
        writer.flush();
    }
    if (writer.dropped() != 0) {
        state.SkipWithError("the writer dropped observations");
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_WriterCommits)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StoreAppendCommits(benchmark::State& state) {
    BenchFile file;
    ostrel::Store store(file.path());
    double at = 1'700'000'000;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            const ostrel::SignalObservation observation(ostrel::Signal::appActivate, payload, at += 0.001);
            store.append(std::span(&observation, 1));
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_StoreAppendCommits)->Unit(benchmark::kMillisecond)->UseRealTime();

void check(int code, sqlite3* db) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

void BM_RawSQLiteCommits(benchmark::State& state) {
    BenchFile file;
    { ostrel::Store store(file.path()); } // the same schema, WAL journal and file
    sqlite3* db = nullptr;
    check(sqlite3_open(file.path().c_str(), &db), db);
    check(sqlite3_exec(db, "PRAGMA busy_timeout = 5000", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO observations (ts, signal, payload) VALUES (?, ?, ?)", -1,
                             &insert, nullptr),
          db);
    const std::string text = ostrel::json::encodeRecord(payload);
    std::int64_t ts = 1'700'000'000'000;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
            sqlite3_bind_int64(insert, 1, ++ts);
            sqlite3_bind_text(insert, 2, "app.activate", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_STATIC);
            check(sqlite3_step(insert), db);
            sqlite3_reset(insert);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        }
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_RawSQLiteCommits)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
