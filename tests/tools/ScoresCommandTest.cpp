#include "core/learning/RoutineLearner.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/Signal.hpp"
#include "core/replay/Replay.hpp"
#include "core/replay/ScoreExport.hpp"
#include "core/store/Store.hpp"
#include "support/Mornings.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

constexpr std::int64_t minute = 60000;
constexpr std::int64_t day = 1440 * minute;

void fill(const std::filesystem::path& path) {
    test::Mornings::write(path);
}

TEST(ScoresCommand, PrintsTheExportOfTheStoredHistoryAndLeavesTheFileAlone) {
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    fill(path);

    const Calendar calendar("Europe/Berlin", "en_US");
    std::string expected;
    {
        Store store(path);
        const auto episodes = store.episodes(std::numeric_limits<std::int64_t>::min(),
                                             std::numeric_limits<std::int64_t>::max());
        ASSERT_EQ(episodes.size(), 21u);
        const auto series = store.calendarSeries();
        const auto scores =
            ScoreExport::make(Replay::run(episodes, series, calendar),
                              RoutineLearner::routines(episodes, series, calendar), "0.1.0", {}, {});
        ASSERT_GT(scores.suggestions, 0);
        expected = scores.json() + "\n";
    }
    const std::string before = test::readFile(path);
    const auto modified = std::filesystem::last_write_time(path);

    const auto result = runProgram(OSTREL_DEV_PATH, {"scores", path.string(), "--tz", "Europe/Berlin"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected);
    EXPECT_NE(result.out.find("\"budgets\" : {\n    \"cpuPercent\" : 0,"), std::string::npos);
    EXPECT_NE(result.out.find("\"unlock\" : 21"), std::string::npos);
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(std::filesystem::last_write_time(path), modified);

    // The option may come first; the zone changes the slots but not what was counted.
    const auto swapped = runProgram(OSTREL_DEV_PATH, {"scores", "--tz", "Asia/Tokyo", path.string()});
    EXPECT_EQ(swapped.status, 0) << swapped.err;
    EXPECT_NE(swapped.out.find("\"episodes\" : 21"), std::string::npos);
}

TEST(ScoresCommand, AnEmptyDatabaseHasNoScores) {
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    { Store store(path); }
    const auto result = runProgram(OSTREL_DEV_PATH, {"scores", path.string(), "--tz", "UTC"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, ScoreExport::make({}, {}, "0.1.0", {}, {}).json() + "\n");
}

TEST(ScoresCommand, MistakesAreOneLineOnStderrAndCreateNothing) {
    test::TempDir dir;
    const auto good = dir / "quev.sqlite";
    fill(good);
    const auto notDatabase = dir / "notes.txt";
    { std::ofstream(notDatabase) << "these are not the tables you are looking for\n"; }
    const auto missing = dir / "missing" / "quev.sqlite";
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        const char* says;
    } cases[] = {
        {"no zone", {"scores", good.string()}, "--tz ZONE"},
        {"bad zone", {"scores", good.string(), "--tz", "Mars/Olympus"}, "Mars/Olympus"},
        {"zone without value", {"scores", good.string(), "--tz"}, "--tz"},
        {"zone twice", {"scores", good.string(), "--tz", "UTC", "--tz", "UTC"}, "twice"},
        {"unknown option", {"scores", good.string(), "--tz", "UTC", "--budgets"}, "--budgets"},
        {"no database", {"scores", "--tz", "UTC"}, "database"},
        {"two databases", {"scores", good.string(), good.string(), "--tz", "UTC"}, "one database path"},
        {"missing database", {"scores", missing.string(), "--tz", "UTC"}, "missing"},
        {"a folder", {"scores", dir.path().string(), "--tz", "UTC"}, "no database file"},
        {"not a database", {"scores", notDatabase.string(), "--tz", "UTC"}, "notes.txt"},
    };
    const std::string goodBefore = test::readFile(good);
    const std::string notBefore = test::readFile(notDatabase);
    for (const auto& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.out, "") << c.name;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.name << ": " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << c.name << ": " << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
    EXPECT_EQ(test::readFile(good), goodBefore);
    EXPECT_EQ(test::readFile(notDatabase), notBefore);
    EXPECT_FALSE(std::filesystem::exists(notDatabase.string() + "-wal"));
}

} // namespace
} // namespace ostrel
