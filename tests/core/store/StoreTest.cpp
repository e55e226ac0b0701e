#include "core/store/Store.hpp"

#include "core/store/Migrations.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/StoreError.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::permissionsOf;
using test::RawDatabase;
using test::readFile;

// Every CREATE statement of the scripts, as sqlite_master stores it (without the semicolon).
std::vector<std::string> createStatements(std::string_view script) {
    std::vector<std::string> statements;
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find(';', start);
        if (end == std::string_view::npos) {
            end = script.size();
        }
        std::string statement(script.substr(start, end - start));
        statement.erase(0, statement.find_first_not_of("\n"));
        if (statement.starts_with("CREATE")) {
            statements.push_back(statement);
        }
        start = end + 1;
    }
    return statements;
}

// A file at an older schema version, made by running the first `version` scripts by hand.
void makeFileAtVersion(const fs::path& path, int version) {
    RawDatabase raw(path);
    for (int step = 0; step < version; ++step) {
        raw.exec(std::string(migrationScripts[static_cast<std::size_t>(step)]));
    }
    raw.exec("PRAGMA user_version = " + std::to_string(version));
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { ::umask(022); }

    test::TempDir dir;
    fs::path folder = dir / "data" / "Quev";
    fs::path file = folder / "quev.sqlite";
};

TEST_F(StoreTest, FirstOpenCreatesTheFolderAndFileAndTheWholeSchema) {
    {
        Store store(file);
        EXPECT_EQ(store.url(), file);
        EXPECT_EQ(store.schemaVersion(), 4);
    }
    EXPECT_EQ(permissionsOf(folder), 0700u);
    EXPECT_EQ(permissionsOf(dir / "data"), 0700u) << "intermediate folders are private too";
    EXPECT_EQ(permissionsOf(file), 0600u);

    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(raw.scalar("PRAGMA user_version"), "4");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table'"), "9");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"), "4");

    // Each table and index holds its script's text; calendar_events carries the column that
    // version 3 added, which SQLite splices into the stored statement.
    std::set<std::string> expected;
    for (const std::string_view script : migrationScripts) {
        for (std::string statement : createStatements(script)) {
            if (statement.starts_with("CREATE TABLE calendar_events")) {
                statement.insert(statement.find(",\n    PRIMARY KEY"), ", links TEXT NOT NULL DEFAULT ''");
            }
            expected.insert(statement);
        }
    }
    EXPECT_EQ(expected.size(), 13u);
    std::set<std::string> stored;
    for (const char* name :
         {"observations", "observations_ts", "triggers", "episodes", "episodes_context_key", "routines",
          "suggestions", "runs", "trust_log", "triggers_ts_kind", "calendar_events", "calendar_events_start",
          "routine_edits"}) {
        stored.insert(raw.scalar(std::string("SELECT sql FROM sqlite_master WHERE name = '") + name + "'"));
    }
    EXPECT_EQ(stored, expected);
}

TEST_F(StoreTest, ReopenRunsNoScriptAndRestoresPermissions) {
    { Store store(file); }
    {
        // A table dropped behind the store's back stays dropped: a reopen at version 4 runs nothing.
        RawDatabase raw(file);
        raw.exec("DROP TABLE trust_log");
    }
    // Keep a second connection open so that "-wal" and "-shm" exist during the reopen.
    RawDatabase other(file);
    other.exec("SELECT count(*) FROM observations");
    ASSERT_TRUE(fs::exists(file.string() + "-wal"));
    ASSERT_TRUE(fs::exists(file.string() + "-shm"));
    for (const fs::path& path :
         {fs::path(file), fs::path(file.string() + "-wal"), fs::path(file.string() + "-shm")}) {
        ::chmod(path.c_str(), 0644);
    }
    ::chmod(folder.c_str(), 0755);

    Store store(file);
    EXPECT_EQ(store.schemaVersion(), 4);
    EXPECT_EQ(permissionsOf(folder), 0700u);
    EXPECT_EQ(permissionsOf(file), 0600u);
    EXPECT_EQ(permissionsOf(file.string() + "-wal"), 0600u);
    EXPECT_EQ(permissionsOf(file.string() + "-shm"), 0600u);
    EXPECT_EQ(other.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'trust_log'"), "0");
}

TEST_F(StoreTest, VersionTwoFileGetsOnlyTheLaterScripts) {
    fs::create_directories(folder);
    makeFileAtVersion(file, 2);
    {
        RawDatabase raw(file);
        raw.exec("INSERT INTO calendar_events VALUES ('k', 1, 0, 'Maths', 10, 20, NULL, 'School', 5)");
        raw.exec("DROP TABLE suggestions");
    }
    Store store(file);
    EXPECT_EQ(store.schemaVersion(), 4);

    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("SELECT '[' || links || ']' FROM calendar_events WHERE key = 'k'"), "[]");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'routine_edits'"), "1");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'suggestions'"), "0");
}

TEST_F(StoreTest, FailingScriptLeavesTheVersionWhereItWas) {
    fs::create_directories(folder);
    makeFileAtVersion(file, 2);
    {
        // Version 3 adds this column; finding it already there makes that script fail.
        RawDatabase raw(file);
        raw.exec("ALTER TABLE calendar_events ADD COLUMN links TEXT");
    }
    try {
        Store store(file);
        FAIL() << "the store opened over a failing migration";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 1);
        EXPECT_NE(error.message().find("duplicate column name: links"), std::string::npos) << error.message();
    }
    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("PRAGMA user_version"), "2");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'routine_edits'"), "0");
}

TEST_F(StoreTest, EarlierStepsStayCommittedWhenALaterOneFails) {
    fs::create_directories(folder);
    {
        // Version 4's table already exists: versions 1 to 3 commit, version 4 rolls back.
        RawDatabase raw(file);
        raw.exec("CREATE TABLE routine_edits (id TEXT)");
    }
    EXPECT_THROW(Store store(file), SQLiteError);
    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("PRAGMA user_version"), "3");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'calendar_events'"), "1");
}

TEST_F(StoreTest, UnknownSchemaVersionsAreRefusedWithoutTouchingTheFile) {
    fs::create_directories(folder);
    for (const int version : {5, 12, -1}) {
        {
            RawDatabase raw(file);
            raw.exec("CREATE TABLE IF NOT EXISTS future (x); PRAGMA user_version = " +
                     std::to_string(version));
        }
        const std::string before = readFile(file);
        try {
            Store store(file);
            FAIL() << "opened a file at version " << version;
        } catch (const StoreError& error) {
            EXPECT_EQ(error.kind(), StoreError::Kind::unsupportedVersion);
            EXPECT_NE(std::string(error.what()).find("schema version " + std::to_string(version)),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(readFile(file), before) << "version " << version;
        EXPECT_FALSE(fs::exists(file.string() + "-wal"));
    }
}

TEST_F(StoreTest, SymbolicLinksAreNeverFollowed) {
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path target = elsewhere / "target";

    const struct {
        const char* name;
        std::function<void()> plant;
        fs::path link;
    } cases[] = {
        {"folder", [&] { fs::create_directory_symlink(elsewhere, folder); }, folder},
        {"file",
         [&] {
             fs::create_directories(folder);
             fs::create_symlink(target, file);
         },
         file},
        {"wal",
         [&] {
             fs::create_directories(folder);
             fs::create_symlink(target, file.string() + "-wal");
         },
         file.string() + "-wal"},
        {"shm",
         [&] {
             fs::create_directories(folder);
             fs::create_symlink(target, file.string() + "-shm");
         },
         file.string() + "-shm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "data");
        fs::create_directories(dir / "data");
        { std::ofstream(target) << "not a database"; }
        ::chmod(target.c_str(), 0644);
        ::chmod(elsewhere.c_str(), 0755);
        c.plant();

        try {
            Store store(file);
            FAIL() << "opened through a symbolic link";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.kind(), StoreError::Kind::symbolicLink);
            EXPECT_EQ(error.path(), c.link);
        }
        EXPECT_EQ(readFile(target), "not a database");
        EXPECT_EQ(permissionsOf(target), 0644u);
        EXPECT_EQ(permissionsOf(elsewhere), 0755u);
        EXPECT_EQ(fs::directory_iterator(elsewhere) == fs::directory_iterator(), false);
        EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
    }
}

// The names in a folder, so that a test sees a companion file left behind.
using test::namesIn;

TEST_F(StoreTest, AReaderReadsTheFileAsItIsAndWritesNothing) {
    {
        Store owner(file);
        const std::vector<SignalObservation> observations{{5, Signal::wake, "{}"}, {9, Signal::lock, "{}"}};
        owner.append(observations);
    }
    ::chmod(file.c_str(), 0644);
    ::chmod(folder.c_str(), 0755);
    const std::string before = readFile(file);
    const auto names = namesIn(folder);
    {
        Store reader(file, Store::Access::reader);
        EXPECT_EQ(reader.observations(0, 10).size(), 2u);
        EXPECT_EQ(reader.schemaVersion(), Store::currentSchemaVersion);
        const std::vector<SignalObservation> more{{7, Signal::unlock, "{}"}};
        EXPECT_THROW(reader.append(more), SQLiteError);
        EXPECT_THROW(reader.deleteExpiredObservations(1e12), SQLiteError);
        EXPECT_EQ(reader.observations(0, 10).size(), 2u);
    }
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(namesIn(folder), names);
    EXPECT_EQ(permissionsOf(file), 0644u);
    EXPECT_EQ(permissionsOf(folder), 0755u);
}

TEST_F(StoreTest, AReaderRefusesWhatItCannotReadAsItIs) {
    const struct {
        const char* name;
        std::function<void()> make; // nothing made: the file is missing
        bool versionRefused;        // else SQLite's own failure, or the file system's
    } cases[] = {
        {"missing", [] {}, false},
        {"empty", [&] { std::ofstream{file}; }, true},
        {"not a database", [&] { std::ofstream(file) << std::string(4096, 'x'); }, false},
        {"not a file", [&] { fs::create_directory(file); }, false},
        {"older version", [&] { makeFileAtVersion(file, 2); }, true},
        {"newer version",
         [&] {
             makeFileAtVersion(file, Store::currentSchemaVersion);
             RawDatabase(file).exec("PRAGMA user_version = 9");
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        c.make();
        const bool existed = fs::exists(file);
        const std::string before = fs::is_regular_file(file) ? readFile(file) : "";
        const auto names = namesIn(folder);
        try {
            Store reader(file, Store::Access::reader);
            ADD_FAILURE() << "opened";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.kind(), c.versionRefused ? StoreError::Kind::unsupportedVersion
                                                     : StoreError::Kind::fileSystem)
                << error.what();
        } catch (const SQLiteError& error) {
            EXPECT_FALSE(c.versionRefused) << error.what();
        }
        EXPECT_EQ(namesIn(folder), names);
        EXPECT_EQ(fs::exists(file), existed);
        if (fs::is_regular_file(file)) {
            EXPECT_EQ(readFile(file), before);
        }
    }
}

TEST(StoreDefaultURL, UsesXdgDataHomeWhenAbsolute) {
    const struct {
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        fs::path expected;
    } cases[] = {
        {"/data/me", "/home/me", "/data/me/Quev/quev.sqlite"},
        {std::nullopt, "/home/me", "/home/me/.local/share/Quev/quev.sqlite"},
        {"", "/home/me", "/home/me/.local/share/Quev/quev.sqlite"},
        {"relative/path", "/home/me", "/home/me/.local/share/Quev/quev.sqlite"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Store::defaultURL(c.xdg, c.home), c.expected);
    }
    EXPECT_TRUE(Store::defaultURL().is_absolute());
    EXPECT_EQ(Store::defaultURL().filename(), "quev.sqlite");
}

} // namespace
} // namespace ostrel
