#include "core/store/Database.hpp"

#include "core/foundation/Utf8.hpp"
#include "core/store/SQLiteError.hpp"

#include <memory>

#include <sqlite3.h>

namespace ostrel {

namespace {

bool succeeded(int code) {
    return code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE;
}

// A "file:" URI for path with every byte outside the unreserved set and "/" percent-encoded, so
// "?", "#" and "%" in a name stay part of it.
std::string fileURI(const std::string& path, const char* query) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/') {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0x0F];
        }
    }
    return uri + "?" + query;
}

} // namespace

void Database::StatementFinalizer::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

Database::Database(const std::string& path, OpenMode mode) {
    sqlite3* connection = nullptr;
    // The owner serialises every call on the connection, so SQLite's own per-call mutex is only a
    // cost (multi-thread mode).
    int flags = SQLITE_OPEN_NOMUTEX;
    std::string name = path;
    switch (mode) {
    case OpenMode::create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case OpenMode::existing:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::immutable:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = fileURI(path, "immutable=1");
        break;
    }
    const int code = sqlite3_open_v2(name.c_str(), &connection, flags, nullptr);
    if (code == SQLITE_OK && connection != nullptr) {
        handle_ = connection;
        return;
    }
    std::string message =
        (code != SQLITE_OK && connection != nullptr) ? sqlite3_errmsg(connection) : "cannot open " + path;
    sqlite3_close(connection);
    throw SQLiteError(code, std::move(message));
}

Database::~Database() {
    // Finalised first: a connection with statements left open would not close.
    begin_.reset();
    commit_.reset();
    sqlite3_close(handle_);
}

void Database::fail(int code) const {
    throw SQLiteError(code, sqlite3_errmsg(handle_));
}

void Database::execute(const std::string& sql, const std::vector<SQLValue>& arguments) {
    if (!arguments.empty()) {
        query(sql, arguments);
        return;
    }
    const int code = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, nullptr);
    if (!succeeded(code)) {
        fail(code);
    }
}

std::vector<SQLRow> Database::query(const std::string& sql, const std::vector<SQLValue>& arguments) {
    std::vector<SQLRow> rows;
    forEachRow(sql, arguments, [&rows](SQLRow& row) { rows.push_back(std::move(row)); });
    return rows;
}

RowView::RowView(sqlite3_stmt* statement) : statement_(statement), size_(sqlite3_column_count(statement)) {}

std::optional<std::int64_t> RowView::integer(int column) const {
    if (sqlite3_column_type(statement_, column) != SQLITE_INTEGER) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(sqlite3_column_int64(statement_, column));
}

bool RowView::holdsText(int column) const {
    const int type = sqlite3_column_type(statement_, column);
    return type != SQLITE_NULL && type != SQLITE_FLOAT && type != SQLITE_INTEGER;
}

std::optional<std::string> RowView::text(int column) const {
    if (!holdsText(column)) {
        return std::nullopt;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int bytes = sqlite3_column_bytes(statement_, column);
    if (text == nullptr && (bytes != 0 || sqlite3_errcode(sqlite3_db_handle(statement_)) == SQLITE_NOMEM)) {
        throw SQLiteError(SQLITE_NOMEM, sqlite3_errstr(SQLITE_NOMEM));
    }
    return repairUtf8(text == nullptr ? std::string_view()
                                      : std::string_view(text, static_cast<std::size_t>(bytes)));
}

void Database::forEachRowView(const std::string& sql, const std::vector<SQLValue>& arguments,
                              const std::function<void(const RowView&)>& visit) {
    const Statement statement = prepare(sql, arguments);
    const RowView row(statement.get());
    int code = SQLITE_OK;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        visit(row);
    }
    if (code != SQLITE_DONE && code != SQLITE_OK) {
        fail(code);
    }
}

Database::Statement Database::prepare(const std::string& sql, const std::vector<SQLValue>& arguments) {
    sqlite3_stmt* raw = nullptr;
    int code = sqlite3_prepare_v2(handle_, sql.c_str(), -1, &raw, nullptr);
    Statement statement(raw);
    if (!succeeded(code)) {
        fail(code);
    }

    int index = 1;
    for (const SQLValue& argument : arguments) {
        switch (argument.kind()) {
        case SQLValue::Kind::integer:
            code = sqlite3_bind_int64(raw, index, *argument.integerValue());
            break;
        case SQLValue::Kind::real:
            code = sqlite3_bind_double(raw, index, *argument.realValue());
            break;
        case SQLValue::Kind::text: {
            // Bound with its byte length, so a text holding NUL is stored whole.
            const std::string& text = *argument.textValue();
            code = sqlite3_bind_text64(raw, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        case SQLValue::Kind::null:
            code = sqlite3_bind_null(raw, index);
            break;
        }
        if (!succeeded(code)) {
            fail(code);
        }
        ++index;
    }
    return statement;
}

void Database::forEachRow(const std::string& sql, const std::vector<SQLValue>& arguments,
                          const std::function<void(SQLRow&)>& visit) {
    const Statement statement = prepare(sql, arguments);
    sqlite3_stmt* raw = statement.get();
    int code = SQLITE_OK;
    const int columns = sqlite3_column_count(raw);
    SQLRow row;
    while ((code = sqlite3_step(raw)) == SQLITE_ROW) {
        row.clear();
        row.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column) {
            switch (sqlite3_column_type(raw, column)) {
            case SQLITE_NULL:
                row.emplace_back();
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(raw, column));
                break;
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(raw, column)));
                break;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, column));
                const int bytes = sqlite3_column_bytes(raw, column);
                if (text == nullptr && (bytes != 0 || sqlite3_errcode(handle_) == SQLITE_NOMEM)) {
                    fail(SQLITE_NOMEM);
                }
                row.emplace_back(repairUtf8(text == nullptr
                                                ? std::string_view()
                                                : std::string_view(text, static_cast<std::size_t>(bytes))));
                break;
            }
            }
        }
        visit(row);
    }
    if (code != SQLITE_DONE && code != SQLITE_OK) {
        fail(code);
    }
}

std::int64_t Database::changes() const {
    return sqlite3_changes64(handle_);
}

void Database::begin() {
    if (!begin_) {
        begin_ = std::make_unique<PreparedStatement>(*this, "BEGIN");
    }
    begin_->run({});
}

void Database::commit() {
    if (!commit_) {
        commit_ = std::make_unique<PreparedStatement>(*this, "COMMIT");
    }
    commit_->run({});
}

PreparedStatement::PreparedStatement(Database& database, const std::string& sql) : handle_(database.handle()) {
    const int code = sqlite3_prepare_v3(handle_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (!succeeded(code)) {
        sqlite3_finalize(statement_);
        throw SQLiteError(code, sqlite3_errmsg(handle_));
    }
}

PreparedStatement::~PreparedStatement() {
    sqlite3_finalize(statement_);
}

// The message is taken before the reset, which may replace the connection's error.
void PreparedStatement::fail(int code) {
    SQLiteError error(code, sqlite3_errmsg(handle_));
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    throw error;
}

void PreparedStatement::bind(std::initializer_list<Argument> arguments) {
    int index = 1;
    for (const Argument& argument : arguments) {
        int code = SQLITE_OK;
        if (const auto* integer = std::get_if<std::int64_t>(&argument)) {
            code = sqlite3_bind_int64(statement_, index, *integer);
        } else if (std::holds_alternative<std::nullptr_t>(argument)) {
            code = sqlite3_bind_null(statement_, index);
        } else {
            std::string_view text = std::get<std::string_view>(argument);
            if (text.data() == nullptr) {
                text = ""; // a null pointer would bind NULL, not the empty text
            }
            // Static: the text outlives the step, and the bindings are cleared before run returns.
            code = sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
        }
        if (!succeeded(code)) {
            fail(code);
        }
        ++index;
    }
}

void PreparedStatement::run(std::initializer_list<Argument> arguments) {
    forEachRow(arguments, [](const RowView&) {});
}

void PreparedStatement::forEachRow(std::initializer_list<Argument> arguments,
                                   const std::function<void(const RowView&)>& visit) {
    bind(arguments);
    const RowView row(statement_);
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement_)) == SQLITE_ROW) {
        try {
            visit(row);
        } catch (...) {
            sqlite3_reset(statement_);
            sqlite3_clear_bindings(statement_);
            throw;
        }
    }
    if (code != SQLITE_DONE) {
        fail(code);
    }
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

Transaction::Transaction(Database& database) : database_(database) {
    database_.begin();
}

Transaction::~Transaction() {
    if (open_) {
        sqlite3_exec(database_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    database_.commit();
    open_ = false;
}

} // namespace ostrel
