#include "core/store/Store.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "core/foundation/UserFolders.hpp"
#include "core/store/Migrations.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/StoreError.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace fs = std::filesystem;

namespace {

constexpr mode_t folderMode = 0700;
constexpr mode_t fileMode = 0600;

[[noreturn]] void failFile(const fs::path& path, const std::string& action, int error) {
    if (error == ELOOP) {
        throw StoreError(StoreError::Kind::symbolicLink, path,
                         path.string() + " is a symbolic link; the database must not be reached through one");
    }
    throw StoreError(StoreError::Kind::fileSystem, path,
                     "Couldn't " + action + " " + path.string() + ": " + std::strerror(error));
}

// Creates each missing folder of path with mode 0700, like mkdir -p -m 0700.
void createFolders(const fs::path& folder) {
    fs::path partial;
    for (const fs::path& component : folder) {
        partial /= component;
        if (::mkdir(partial.c_str(), folderMode) != 0 && errno != EEXIST) {
            failFile(partial, "create the folder", errno);
        }
    }
}

// The column names of a table in order; none when there is no such table.
std::vector<std::string> columns(Database& database, const std::string& table) {
    std::vector<std::string> names;
    database.forEachRow("SELECT name FROM pragma_table_info(?)", {SQLValue(table)}, [&names](SQLRow& row) {
        if (!row.empty() && row.front().textValue()) {
            names.push_back(*row.front().textValue());
        }
    });
    return names;
}

// Every table the migrations create, with its columns, read off a scratch database once.
const std::vector<std::pair<std::string, std::vector<std::string>>>& ourTables() {
    static const auto tables = [] {
        Database scratch(":memory:");
        for (const std::string_view script : migrationScripts) {
            scratch.execute(std::string(script));
        }
        std::vector<std::pair<std::string, std::vector<std::string>>> result;
        for (const SQLRow& row : scratch.query(
                 "SELECT name FROM sqlite_schema WHERE type = 'table' AND substr(name, 1, 7) <> 'sqlite_' "
                 "ORDER BY name")) {
            const std::string name = *row.front().textValue();
            result.emplace_back(name, columns(scratch, name));
        }
        return result;
    }();
    return tables;
}

} // namespace

Store::Store(fs::path url, Access access) : url_(std::move(url)), database_(open(url_, access, snapshot_)) {
    if (access == Access::reader) {
        openForReading();
        return;
    }
    // A file from a newer version (or with a version no release wrote) is refused before anything could write
    // to it: switching the journal mode alone would rewrite its header.
    const int stored = readSchemaVersion();
    if (stored > currentSchemaVersion || stored < 0) {
        throw StoreError(StoreError::Kind::unsupportedVersion, url_,
                         "The database at " + url_.string() + " has schema version " +
                             std::to_string(stored) + "; this version of Ostrel opens versions up to " +
                             std::to_string(currentSchemaVersion));
    }
    if (stored == currentSchemaVersion) {
        checkTables(); // before the journal mode could touch a file that is not ours
    }
    database_.execute("PRAGMA journal_mode = WAL;\nPRAGMA foreign_keys = ON;\nPRAGMA busy_timeout = 5000;");
    // Here every commit would otherwise wait for the disk itself to flush, several times a minute
    // for as long as the user works. With the write-ahead log, NORMAL syncs at checkpoints only: a
    // power cut can lose the last moments of observations, never the file.
    database_.execute("PRAGMA synchronous = NORMAL;");
    migrate();
}

fs::path Store::defaultURL() {
    return defaultURL(UserFolders::environment("XDG_DATA_HOME"), UserFolders::home());
}

fs::path Store::defaultURL(const std::optional<std::string>& xdgDataHome, const std::optional<std::string>& home) {
    return UserFolders::base(xdgDataHome, home, fs::path(".local") / "share") / "Quev" / "quev.sqlite";
}

// For the owner: folder 0700, file 0600, and 0600 again on the file and its "-wal" and "-shm"
// companions. Nothing is reached through a symbolic link: the folder and each file are opened with
// O_NOFOLLOW and changed through that descriptor, so a link planted in their place fails the open and
// its target is untouched. Gives the path to open.
std::string Store::prepareFile(const fs::path& url) {
    const fs::path folder = url.parent_path().empty() ? fs::path(".") : url.parent_path();
    createFolders(folder);

    const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (directory.get() < 0) {
        failFile(folder, "open the folder", errno == ENOTDIR ? ELOOP : errno);
    }
    if (::fchmod(directory.get(), folderMode) != 0) {
        failFile(folder, "set the permissions of", errno);
    }

    const std::string name = url.filename().string();
    {
        // An existing file (or link) makes O_EXCL fail, which is fine: the loop below checks it.
        const FileDescriptor created(::openat(
            directory.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, fileMode));
    }

    for (const std::string_view suffix : {"", "-wal", "-shm"}) {
        const std::string entry = name + std::string(suffix);
        const fs::path path = folder / entry;
        const FileDescriptor file(
            ::openat(directory.get(), entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.get() < 0) {
            if (errno == ENOENT) {
                continue;
            }
            failFile(path, "open", errno);
        }
        if (::fchmod(file.get(), fileMode) != 0) {
            failFile(path, "set the permissions of", errno);
        }
    }
    return url.string();
}

Database Store::open(const fs::path& url, Access access, std::unique_ptr<ReaderSnapshot>& snapshot) {
    if (access == Access::owner) {
        return Database(prepareFile(url), Database::OpenMode::create);
    }
    snapshot = std::make_unique<ReaderSnapshot>(url);
    return Database(snapshot->path(), snapshot->mode());
}

// The connection may read but never write (query_only changes nothing in the file), and the file
// must hold exactly the current schema, which a reader may not bring up to date. Failures to read the
// version are reported as they are: a file that is no database says so.
void Store::openForReading() {
    database_.execute("PRAGMA query_only = ON;\nPRAGMA busy_timeout = 5000;");
    const auto rows = database_.query("PRAGMA user_version");
    const auto stored =
        !rows.empty() && !rows.front().empty() ? rows.front().front().integerValue() : std::nullopt;
    if (stored != currentSchemaVersion) {
        const std::string found = stored ? std::to_string(*stored) : "no";
        throw StoreError(StoreError::Kind::unsupportedVersion, url_,
                         "The database at " + url_.string() + " has schema version " + found +
                             "; it can be read only at version " + std::to_string(currentSchemaVersion));
    }
}

// A file that merely carries our version number (another program's, or one written by hand) is
// refused rather than reported as ready: the observations table must be there, and each of our
// tables that is there must have our columns. A table of ours dropped behind the store's back
// stays dropped, as before: a file at the current version runs no script.
void Store::checkTables() {
    std::lock_guard guard(lock_);
    for (const auto& [table, expected] : ourTables()) {
        const auto found = columns(database_, table);
        const bool missing = found.empty();
        if ((missing && table == "observations") || (!missing && found != expected)) {
            throw StoreError(StoreError::Kind::foreignSchema, url_,
                             "The database at " + url_.string() + " has schema version " +
                                 std::to_string(currentSchemaVersion) + " but not this version's tables (" +
                                 (missing ? "no table \"" : "table \"") + table +
                                 (missing ? "\")" : "\" differs)"));
        }
    }
}

int Store::readSchemaVersion() {
    try {
        const auto rows = database_.query("PRAGMA user_version");
        if (!rows.empty() && !rows.front().empty()) {
            if (const auto version = rows.front().front().integerValue()) {
                return static_cast<int>(*version);
            }
        }
    } catch (const SQLiteError&) {
        // An unreadable version counts as 0.
    }
    return 0;
}

int Store::schemaVersion() {
    std::lock_guard guard(lock_);
    return readSchemaVersion();
}

// Each version commits together with its number, so a failure leaves the file at the last version
// that committed and the next open carries on from there.
void Store::migrate() {
    const int stored = readSchemaVersion();
    for (int step = stored; step < currentSchemaVersion; ++step) {
        std::lock_guard guard(lock_);
        Transaction transaction(database_);
        database_.execute(std::string(migrationScripts[static_cast<std::size_t>(step)]));
        database_.execute("PRAGMA user_version = " + std::to_string(step + 1));
        transaction.commit();
    }
}

} // namespace ostrel
