#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

TEST(MigrateCommand, CreatesAndMigratesThenPrintsTheVersion) {
    test::TempDir dir;
    const std::string path = (dir / "new" / "quev.sqlite").string();
    for (int run = 0; run < 2; ++run) {
        const auto result = runProgram(OSTREL_DEV_PATH, {"migrate", path});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "{\"schemaVersion\":4}\n");
        EXPECT_EQ(result.err, "");
    }
    test::RawDatabase raw(path);
    EXPECT_EQ(raw.scalar("PRAGMA user_version"), "4");
}

TEST(MigrateCommand, FailureIsOneLineOnStderrAndLeavesTheFileAlone) {
    const struct {
        const char* name;
        const char* sql;
        const char* says;
    } cases[] = {
        {"newer version", "PRAGMA user_version = 5", "schema version 5"},
        {"our version, other tables", "CREATE TABLE notes (body TEXT); PRAGMA user_version = 4",
         "not this version's tables"},
        {"our version, a table changed",
         "CREATE TABLE observations (id INTEGER PRIMARY KEY); PRAGMA user_version = 4",
         "not this version's tables"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const auto path = dir / "quev.sqlite";
        {
            test::RawDatabase raw(path);
            raw.exec(c.sql);
        }
        const std::string before = test::readFile(path);
        const auto result = runProgram(OSTREL_DEV_PATH, {"migrate", path.string()});
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.out, "") << c.name;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev migrate: cannot migrate " + path.string() + ": ", 0), 0u)
            << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(test::readFile(path), before) << c.name;
    }
}

TEST(MigrateCommand, UsageMistakesExitWithTwo) {
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {"migrate"}).status, 2);
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {"no-such-command"}).status, 2);
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {}).status, 2);
}

} // namespace
} // namespace ostrel
