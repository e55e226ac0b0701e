#pragma once

#include "core/store/SQLValue.hpp"

#include <functional>
#include <string>
#include <vector>

struct sqlite3;

namespace ostrel {

// One SQLite connection. Not safe for concurrent use by itself: its owner (the Store) serialises
// every call. Statements are prepared, run and finalised per call; there is no statement cache.
class Database {
public:
    enum class OpenMode {
        create,   // reads and writes, creating the file when it is missing
        existing, // reads and writes a file that must already exist
        // Reads a file that must exist and that nothing changes while it is open: no lock, no
        // journal, no recovery, so neither the file nor its folder is touched.
        immutable,
    };

    // Opens (or, in create mode, creates) the database file at path. Throws SQLiteError.
    explicit Database(const std::string& path, OpenMode mode = OpenMode::create);
    ~Database();

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // With no arguments the whole text runs, so it may hold several statements; with arguments
    // only the first statement runs. Throws SQLiteError.
    void execute(const std::string& sql, const std::vector<SQLValue>& arguments = {});

    // Runs the first statement of sql and returns every row. Throws SQLiteError.
    std::vector<SQLRow> query(const std::string& sql, const std::vector<SQLValue>& arguments = {});

    // Runs the first statement of sql and hands each row to visit as it is read, so a long result
    // is never held twice; visit may move values out of the row. Throws SQLiteError, and whatever
    // visit throws.
    void forEachRow(const std::string& sql, const std::vector<SQLValue>& arguments,
                    const std::function<void(SQLRow&)>& visit);

    // Rows changed by the most recent INSERT, UPDATE or DELETE.
    std::int64_t changes() const;

    sqlite3* handle() const { return handle_; }

private:
    [[noreturn]] void fail(int code) const;

    sqlite3* handle_ = nullptr;
};

// Runs BEGIN now and ROLLBACK on destruction unless commit() succeeded; the rollback's own
// failure is ignored, since the error that caused it is the one worth reporting.
class Transaction {
public:
    explicit Transaction(Database& database);
    ~Transaction();

    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& database_;
    bool open_ = true;
};

} // namespace ostrel
