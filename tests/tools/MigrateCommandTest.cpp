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
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    {
        test::RawDatabase raw(path);
        raw.exec("PRAGMA user_version = 5");
    }
    const std::string before = test::readFile(path);
    const auto result = runProgram(OSTREL_DEV_PATH, {"migrate", path.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("schema version 5"), std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(path), before);
}

TEST(MigrateCommand, UsageMistakesExitWithTwo) {
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {"migrate"}).status, 2);
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {"no-such-command"}).status, 2);
    EXPECT_EQ(runProgram(OSTREL_DEV_PATH, {}).status, 2);
}

} // namespace
} // namespace ostrel
