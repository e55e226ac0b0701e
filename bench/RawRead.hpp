#pragma once

// The plain SQLite read of the rows a planning pass reads, statement for statement: the floor any
// pass over the stored history pays, which the planning-pass benchmarks measure it against.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace ostrel::bench {

// Every row of a statement with integer arguments, each column copied out.
inline std::size_t readRows(sqlite3* db, const char* sql, std::initializer_list<std::int64_t> arguments,
                     std::vector<std::vector<std::string>>& texts, std::vector<std::int64_t>& integers) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    int index = 1;
    for (const std::int64_t argument : arguments) {
        sqlite3_bind_int64(statement, index++, argument);
    }
    std::size_t count = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int column = 0; column < columns; ++column) {
            if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
                integers.push_back(sqlite3_column_int64(statement, column));
            } else if (const auto* bytes = sqlite3_column_text(statement, column)) {
                row.emplace_back(reinterpret_cast<const char*>(bytes),
                                 static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
            }
        }
        texts.push_back(std::move(row));
        ++count;
    }
    sqlite3_finalize(statement);
    return count;
}

// The rows of the pass at a trigger at ts, run with now before `to`: the trigger's episode (a day
// of observations before it, its triggers and the events around it), the history (everything
// before the trigger), the series, the edits and the answers. Returns how many rows it read.
inline std::size_t readPassRows(sqlite3* db, std::int64_t ts, std::int64_t to) {
    constexpr std::int64_t day = 86'400'000;
    const char* observations =
        "SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ? ORDER BY ts, id";
    const char* triggers = "SELECT ts, kind FROM triggers WHERE ts >= ? AND ts < ? ORDER BY ts";
    const char* events =
        "SELECT key, occurrence, recurring, title, start_ts, end_ts, location, calendar, links\n"
        "FROM calendar_events WHERE start_ts < ? AND end_ts > ?\nORDER BY start_ts, key";
    std::vector<std::vector<std::string>> texts;
    std::vector<std::int64_t> integers;
    std::size_t rows = readRows(db, observations, {ts - day, to}, texts, integers);
    rows += readRows(db, triggers, {ts, to}, texts, integers);
    rows += readRows(db, events, {to + day, ts - day}, texts, integers);
    rows += readRows(db, observations, {0, ts}, texts, integers);
    rows += readRows(db, triggers, {0, ts}, texts, integers);
    rows += readRows(db, events, {ts + day, 0}, texts, integers);
    rows += readRows(db,
                     "SELECT key, title, min(first_seen_ts) FROM calendar_events\n"
                     "WHERE recurring = 1 GROUP BY key ORDER BY key",
                     {}, texts, integers);
    rows += readRows(db, "SELECT id, edits FROM routine_edits", {}, texts, integers);
    rows += readRows(db,
                     "SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ? AND signal IN "
                     "('quev.answer', 'quev.run', 'quev.undo') ORDER BY ts, id",
                     {0, to}, texts, integers);
    benchmark::DoNotOptimize(texts);
    return rows;
}

} // namespace ostrel::bench
