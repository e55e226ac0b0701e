#include "core/foundation/Json.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

// Every stored row of the three tables the generator fills, in order.
std::string content(const std::filesystem::path& path) {
    test::RawDatabase raw(path);
    return raw.scalar("SELECT group_concat(row, char(10)) FROM ("
                      "SELECT ts || ' ' || signal || ' ' || payload AS row FROM observations ORDER BY id)") +
           raw.scalar(
               "SELECT group_concat(ts || ' ' || kind, char(10)) FROM (SELECT * FROM triggers ORDER BY id)") +
           raw.scalar(
               "SELECT group_concat(key || occurrence || title || start_ts || end_ts || first_seen_ts, "
               "char(10)) FROM (SELECT * FROM calendar_events ORDER BY key, occurrence)");
}

TEST(GenerateCommand, TheSameSeedWritesTheSameDatabase) {
    test::TempDir dir;
    std::vector<std::string> outputs;
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite"}) {
        const std::string seed = name[0] == 'c' ? "43" : "42";
        const auto result = runProgram(OSTREL_DEV_PATH,
                                       {"generate", (dir / name).string(), "--days", "3", "--per-day", "600",
                                        "--seed", seed, "--tz", "America/New_York", "--start", "2026-03-06"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        outputs.push_back(result.out);
    }
    EXPECT_EQ(content(dir / "a.sqlite"), content(dir / "b.sqlite"));
    EXPECT_NE(content(dir / "a.sqlite"), content(dir / "c.sqlite"));
    EXPECT_EQ(outputs[0], outputs[1]);

    // The summary line tells what was stored.
    const json::Value summary = json::parse(outputs[0]);
    test::RawDatabase raw(dir / "a.sqlite");
    EXPECT_EQ(summary.at("days"), 3);
    EXPECT_EQ(std::to_string(summary.at("observations").get<std::int64_t>()),
              raw.scalar("SELECT count(*) FROM observations"));
    EXPECT_EQ(std::to_string(summary.at("triggers").get<std::int64_t>()),
              raw.scalar("SELECT count(*) FROM triggers"));
    EXPECT_EQ(std::to_string(summary.at("events").get<std::int64_t>()),
              raw.scalar("SELECT count(*) FROM calendar_events"));
    // The first day starts at midnight in the zone asked for: 6 March 2026 in New York is UTC-5.
    EXPECT_EQ(summary.at("from"), 1772773200000);
}

TEST(GenerateCommand, MistakesAreOneLineWithStatusOneAndWriteNothing) {
    test::TempDir dir;
    const std::string path = (dir / "new.sqlite").string();
    const std::vector<std::vector<std::string>> cases = {
        {"generate", path, "--days"},
        {"generate", path, "--days", "ten"},
        {"generate", path, "--days", "0"},
        {"generate", path, "--per-day", "-5"},
        {"generate", path, "--seed", "1x"},
        {"generate", path, "--tz", "Nowhere/Special"},
        {"generate", path, "--start", "2026-02-30"},
        {"generate", path, "--start", "yesterday"},
        {"generate", path, "--colour", "blue"},
        {"generate", path, "--noise", "loud"},
        {"generate", path, "--noise", "Low"},
        {"generate", path, "--days", "2", "--days", "3"},
        {"generate", path, (dir / "other.sqlite").string()},
        {"generate"},
    };
    for (const auto& arguments : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        std::string shown;
        for (const auto& argument : arguments) {
            shown += argument + " ";
        }
        EXPECT_EQ(result.status, 1) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << shown << result.err;
        EXPECT_TRUE(result.err.starts_with("ostrel-dev generate: ")) << result.err;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << shown;
    }
}

TEST(GenerateCommand, LeavesTheFolderItWritesInAsItWas) {
    // The store makes its own folder private; a folder the user names (/tmp, their home) keeps
    // its permissions, and nothing but the new file is left in it.
    test::TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    const auto path = dir / "quev.sqlite";
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"generate", path.string(), "--days", "1", "--per-day", "100"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::permissionsOf(dir.path()), 0755u);
    EXPECT_EQ(test::permissionsOf(path), 0600u);
    EXPECT_EQ(test::namesIn(dir.path()), std::set<std::string>{"quev.sqlite"});

    const auto elsewhere =
        runProgram(OSTREL_DEV_PATH, {"generate", (dir / "no" / "such" / "x.sqlite").string()});
    EXPECT_EQ(elsewhere.status, 1);
    EXPECT_NE(elsewhere.err.find("no folder"), std::string::npos) << elsewhere.err;
}

TEST(GenerateCommand, RefusesToWriteOverAnExistingFile) {
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    ASSERT_EQ(
        runProgram(OSTREL_DEV_PATH, {"generate", path.string(), "--days", "1", "--per-day", "100"}).status,
        0);
    const std::string before = test::readFile(path);
    const auto again = runProgram(OSTREL_DEV_PATH, {"generate", path.string(), "--days", "1", "--seed", "9"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
    EXPECT_EQ(test::readFile(path), before);
}

} // namespace
} // namespace ostrel
