// The commands that only read leave every byte and every file of a database folder as it was,
// whatever state a crashed writer left it in, and still see what a leftover write-ahead log holds.

#include "core/store/Store.hpp"
#include "support/Mornings.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::runProgram;

constexpr std::int64_t day = test::Mornings::day;
constexpr std::int64_t monday = test::Mornings::first;

void fill(const fs::path& path) {
    test::Mornings::write(path);
}

std::vector<std::vector<std::string>> commands(const fs::path& database) {
    const std::string path = database.string();
    return {
        {"episodes", path, "--tz", "UTC"},
        {"routines", path, "--tz", "UTC"},
        {"plan", path, "--tz", "UTC", "--at", std::to_string(monday + 20 * day), "--trigger", "unlock"},
        {"scores", path, "--tz", "UTC"},
        {"report", path, "--tz", "UTC", "--from", std::to_string(monday), "--to",
         std::to_string(monday + 21 * day)},
    };
}

// Every entry of a folder with its bytes and permission bits.
std::map<std::string, std::pair<std::string, unsigned>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, unsigned>> entries;
    for (const auto& entry : fs::directory_iterator(folder)) {
        entries[entry.path().filename().string()] = {test::readFile(entry.path()),
                                                     test::permissionsOf(entry.path())};
    }
    return entries;
}

void copyInto(const fs::path& folder, const fs::path& file, const std::string& as) {
    fs::copy_file(file, folder / as);
}

class ReadingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        fill(dir / "source.sqlite");
        // What the commands print for the history, read from a copy of its own.
        fs::create_directory(dir / "reference");
        copyInto(dir / "reference", dir / "source.sqlite", "quev.sqlite");
        for (const auto& arguments : commands(dir / "reference" / "quev.sqlite")) {
            const auto result = runProgram(OSTREL_DEV_PATH, arguments);
            ASSERT_EQ(result.status, 0) << arguments[0] << ": " << result.err;
            ASSERT_FALSE(result.out.empty()) << arguments[0];
            expected.push_back(result.out);
        }
    }

    // Runs every reading command on folder/quev.sqlite: each prints what the history holds, and the
    // folder keeps its entries, bytes and permissions.
    void expectReadAlone(const fs::path& folder, const std::string& what) {
        const auto before = snapshot(folder);
        const auto all = commands(folder / "quev.sqlite");
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto result = runProgram(OSTREL_DEV_PATH, all[i]);
            EXPECT_EQ(result.status, 0) << what << ", " << all[i][0] << ": " << result.err;
            EXPECT_EQ(result.out, expected[i]) << what << ", " << all[i][0];
            const auto after = snapshot(folder);
            std::set<std::string> listed;
            for (const auto& [name, content] : before) {
                listed.insert(name);
            }
            EXPECT_EQ(test::namesIn(folder), listed)
                << what << ", " << all[i][0] << " added or removed a file";
            EXPECT_TRUE(after == before) << what << ", " << all[i][0] << " changed a file";
        }
    }

    // A folder holding an empty database at the current version whose rows all sit in a write-ahead
    // log, as a writer that crashed before its checkpoint leaves it.
    fs::path leftoverLog(const std::string& name) {
        const fs::path folder = dir / name;
        fs::create_directory(folder);
        const fs::path scratch = dir / (name + "-writer");
        fs::create_directory(scratch);
        { Store empty(scratch / "quev.sqlite"); }
        test::RawDatabase writer(scratch / "quev.sqlite");
        writer.exec("PRAGMA wal_autocheckpoint = 0");
        writer.exec("ATTACH '" + (dir / "source.sqlite").string() + "' AS source");
        writer.exec("BEGIN; INSERT INTO observations SELECT * FROM source.observations;"
                    "INSERT INTO triggers SELECT * FROM source.triggers; COMMIT");
        EXPECT_GT(fs::file_size(scratch / "quev.sqlite-wal"), 0u);
        copyInto(folder, scratch / "quev.sqlite", "quev.sqlite");
        copyInto(folder, scratch / "quev.sqlite-wal", "quev.sqlite-wal");
        return folder;
    }

    test::TempDir dir;
    std::vector<std::string> expected;
};

TEST_F(ReadingCommands, AFileAloneIsReadInPlace) {
    const fs::path folder = dir / "alone";
    fs::create_directory(folder);
    copyInto(folder, dir / "source.sqlite", "quev.sqlite");
    expectReadAlone(folder, "file alone");
}

TEST_F(ReadingCommands, ALeftoverWriteAheadLogIsReadButNotCheckpointed) {
    const fs::path folder = leftoverLog("wal");
    // The file itself holds none of the rows: whatever the commands print came from the log.
    fs::copy_file(folder / "quev.sqlite", dir / "file-only.sqlite");
    EXPECT_EQ(test::RawDatabase(dir / "file-only.sqlite").scalar("SELECT count(*) FROM observations"), "0");
    expectReadAlone(folder, "leftover log");
    EXPECT_EQ(test::namesIn(folder), (std::set<std::string>{"quev.sqlite", "quev.sqlite-wal"}));
}

TEST_F(ReadingCommands, AHotJournalIsRolledBackOnlyInTheReadersCopy) {
    const fs::path folder = dir / "journal";
    fs::create_directory(folder);
    const fs::path scratch = dir / "journal-writer";
    fs::create_directory(scratch);
    copyInto(scratch, dir / "source.sqlite", "quev.sqlite");
    {
        test::RawDatabase convert(scratch / "quev.sqlite");
        convert.exec("PRAGMA journal_mode = DELETE");
    }
    const std::string committed = test::readFile(scratch / "quev.sqlite");
    {
        // A small cache spills the transaction's pages into the file before it commits; copying
        // then is what a crash leaves: a changed file and the journal that undoes it.
        test::RawDatabase writer(scratch / "quev.sqlite");
        writer.exec("PRAGMA cache_size = 2");
        writer.exec("BEGIN; DELETE FROM observations; DELETE FROM triggers");
        writer.exec("CREATE TABLE filler (x); INSERT INTO filler WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                    "SELECT i + 1 FROM n WHERE i < 20000) SELECT randomblob(100) FROM n");
        copyInto(folder, scratch / "quev.sqlite", "quev.sqlite");
        copyInto(folder, scratch / "quev.sqlite-journal", "quev.sqlite-journal");
        writer.exec("ROLLBACK");
    }
    ASSERT_NE(test::readFile(folder / "quev.sqlite"), committed) << "the fixture's transaction never spilled";
    expectReadAlone(folder, "hot journal");
}

TEST_F(ReadingCommands, AReadOnlyFolderIsReadWithOrWithoutALog) {
    const fs::path alone = dir / "read-only";
    fs::create_directory(alone);
    copyInto(alone, dir / "source.sqlite", "quev.sqlite");
    const fs::path logged = leftoverLog("read-only-wal");
    for (const fs::path& folder : {alone, logged}) {
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        expectReadAlone(folder, folder.filename().string());
        ::chmod(folder.c_str(), 0755);
    }
}

TEST_F(ReadingCommands, AFileThatCannotBeReadGivesOneLine) {
    const fs::path folder = dir / "special";
    fs::create_directory(folder);
    ASSERT_EQ(::mkfifo((folder / "quev.sqlite").c_str(), 0600), 0);
    for (const auto& arguments : commands(folder / "quev.sqlite")) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 1) << arguments[0];
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev " + arguments[0] + ": ", 0), 0u) << result.err;
    }
}

} // namespace
} // namespace ostrel
