#pragma once

#include "core/store/SQLValue.hpp"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ostrel {

class PreparedStatement;

// One row while Database::forEachRowView visits it: each column is read from SQLite only when
// asked, so columns a reader skips cost nothing. Valid only during the visit.
class RowView {
public:
    explicit RowView(sqlite3_stmt* statement);

    int size() const { return size_; }
    // The column's integer; nothing unless it holds one.
    std::optional<std::int64_t> integer(int column) const;
    // The column's text or blob, invalid UTF-8 repaired as forEachRow does; nothing for an
    // integer, real or NULL. Throws SQLiteError when SQLite runs out of memory.
    std::optional<std::string> text(int column) const;
    // Whether text(column) would give a text, without reading it.
    bool holdsText(int column) const;

private:
    sqlite3_stmt* statement_;
    int size_;
};

// One SQLite connection. Not safe for concurrent use by itself: its owner (the Store) serialises
// every call. Statements are prepared, run and finalised per call; PreparedStatement keeps one.
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

    // Like forEachRow, without copying the row first: for long reads that use only some columns.
    void forEachRowView(const std::string& sql, const std::vector<SQLValue>& arguments,
                        const std::function<void(const RowView&)>& visit);

    // Rows changed by the most recent INSERT, UPDATE or DELETE.
    std::int64_t changes() const;

    // BEGIN and COMMIT, each prepared once: a short transaction would otherwise spend a good part
    // of its time parsing them. Throw SQLiteError.
    void begin();
    void commit();

    sqlite3* handle() const { return handle_; }

private:
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    // Prepares the first statement of sql and binds the arguments. Throws SQLiteError.
    Statement prepare(const std::string& sql, const std::vector<SQLValue>& arguments);

    [[noreturn]] void fail(int code) const;

    sqlite3* handle_ = nullptr;
    std::unique_ptr<PreparedStatement> begin_;
    std::unique_ptr<PreparedStatement> commit_;
};

// One statement prepared once and run many times on a Database, for the hot paths where preparing
// it again would cost more than running it. Each run binds, steps to the end, and resets the
// statement with its bindings cleared, on success and on failure alike. Used under the same
// serialisation as its Database, which it must not outlive.
class PreparedStatement {
public:
    // Prepares the first statement of sql. Throws SQLiteError.
    PreparedStatement(Database& database, const std::string& sql);
    ~PreparedStatement();

    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    // nullptr binds NULL.
    using Argument = std::variant<std::int64_t, std::string_view, std::nullptr_t>;

    // Binds the arguments to the parameters in order and runs the statement to its end, ignoring any
    // rows. Texts are bound by their byte length without a copy, so NUL is kept. Throws SQLiteError.
    void run(std::initializer_list<Argument> arguments);
    // The same, calling visit with each row; the view is valid only during the call.
    void forEachRow(std::initializer_list<Argument> arguments, const std::function<void(const RowView&)>& visit);

private:
    void bind(std::initializer_list<Argument> arguments);
    [[noreturn]] void fail(int code);

    sqlite3* handle_;
    sqlite3_stmt* statement_ = nullptr;
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
