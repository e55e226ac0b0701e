#include "core/store/Database.hpp"

#include <filesystem>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

// Reading a table of small rows back through Database::query: the cost every store read pays to
// turn SQLite rows into SQLValues.
void BM_DatabaseQueryRows(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / ("ostrel-bench-" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    {
        ostrel::Database db(path.string());
        db.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, ts INTEGER, signal TEXT, payload TEXT)");
        db.execute("BEGIN");
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            db.execute("INSERT INTO t (ts, signal, payload) VALUES (?, ?, ?)",
                       {ostrel::SQLValue(i * 1000), ostrel::SQLValue("app.activate"),
                        ostrel::SQLValue("{\"bundleID\":\"com.example.notes\",\"name\":\"Notes\"}")});
        }
        db.execute("COMMIT");
        for (auto _ : state) {
            auto rows = db.query("SELECT ts, signal, payload FROM t ORDER BY ts");
            benchmark::DoNotOptimize(rows);
        }
        state.SetItemsProcessed(state.iterations() * state.range(0));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_DatabaseQueryRows)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
