#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

// Two generated days from Monday 12 October 2026 in Berlin (UTC+2 then).
constexpr std::int64_t tuesday = 1'791'842'400'000;   // 2026-10-13 00:00 in Berlin
constexpr std::int64_t wednesday = 1'791'928'800'000; // 2026-10-14 00:00 in Berlin

void generate(const std::filesystem::path& path) {
    semester::SemesterOptions options;
    options.days = 3;
    options.perDay = 800;
    semester::SemesterGenerator generator(options);
    Store store(path);
    semester::writeSemester(generator, store);
}

std::set<std::string> keys(const json::Value& object) {
    std::set<std::string> result;
    for (const auto& [key, value] : object.items()) {
        result.insert(key);
    }
    return result;
}

TEST(EpisodesCommand, PrintsTheRebuiltEpisodesOneJsonLineEach) {
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    generate(path);
    const std::vector<Episode> expected = Store(path).episodes(tuesday, wednesday);
    ASSERT_GT(expected.size(), 2u);

    const auto result =
        runProgram(OSTREL_DEV_PATH, {"episodes", path.string(), "--tz", "Europe/Berlin", "--from",
                                     std::to_string(tuesday), "--to", std::to_string(wednesday)});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<json::Value> printed = test::jsonLines(result.out);
    ASSERT_EQ(printed.size(), expected.size());
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const json::Value& line = printed[i];
        const Episode& episode = expected[i];
        EXPECT_EQ(keys(line), (std::set<std::string>{"trigger", "start", "end", "context", "setup"}));
        EXPECT_EQ(line.at("trigger").at("ts"), episode.trigger.ts);
        EXPECT_EQ(line.at("trigger").at("kind"), toString(episode.trigger.kind));
        EXPECT_EQ(line.at("start"), episode.start);
        EXPECT_EQ(line.at("end"), episode.end);
        std::vector<std::string> broughtUp;
        for (const Item& item : episode.setup.broughtUp) {
            broughtUp.push_back(item.id());
        }
        EXPECT_EQ(line.at("setup").at("broughtUp"), json::Value(broughtUp));
        EXPECT_EQ(line.at("setup").at("layout").size(), episode.setup.layout.size());
        EXPECT_EQ(line.at("context").at("open").size(), episode.context.open.size());
        EXPECT_EQ(line.at("context").at("events").size(), episode.context.events.size());
        EXPECT_EQ(line.at("context").contains("network"), episode.context.network.has_value());
        EXPECT_EQ(keys(line.at("setup")),
                  (std::set<std::string>{"broughtUp", "carried", "putAway", "layout", "settings"}));
    }

    // A date is the start of that day in the zone, so these ask for the same range.
    const auto byDate = runProgram(OSTREL_DEV_PATH, {"episodes", path.string(), "--tz", "Europe/Berlin",
                                                     "--from", "2026-10-13", "--to", "2026-10-14"});
    EXPECT_EQ(byDate.status, 0) << byDate.err;
    EXPECT_EQ(byDate.out, result.out);
    // Without a range every stored episode is printed.
    const auto all = runProgram(OSTREL_DEV_PATH, {"episodes", path.string(), "--tz", "UTC"});
    EXPECT_EQ(test::jsonLines(all.out).size(),
              Store(path).episodes(0, std::numeric_limits<std::int64_t>::max()).size());
}

TEST(EpisodesCommand, ReadingLeavesTheDatabaseAsItWas) {
    test::TempDir dir;
    const auto path = dir / "quev.sqlite";
    generate(path);
    const std::string before = test::readFile(path);
    const auto result = runProgram(OSTREL_DEV_PATH, {"episodes", path.string(), "--tz", "Europe/Berlin"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::readFile(path), before);
}

TEST(EpisodesCommand, MistakesAndUnusableFilesAreOneLineWithStatusOne) {
    test::TempDir dir;
    const auto good = dir / "quev.sqlite";
    generate(good);
    const auto missing = dir / "missing.sqlite";
    const auto empty = dir / "empty.sqlite";
    const auto text = dir / "notes.txt";
    const auto older = dir / "older.sqlite";
    {
        std::ofstream(empty.string());
        std::ofstream(text.string()) << "not a database, just some words that are long enough for a header";
        test::RawDatabase raw(older);
        raw.exec("CREATE TABLE observations (id INTEGER PRIMARY KEY); PRAGMA user_version = 2");
    }
    struct Case {
        std::vector<std::string> arguments;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"episodes", missing.string(), "--tz", "UTC"}, "no database file"},
        {{"episodes", dir.path().string(), "--tz", "UTC"}, "no database file"},
        {{"episodes", empty.string(), "--tz", "UTC"}, "schema version 0"},
        {{"episodes", text.string(), "--tz", "UTC"}, "not a database"},
        {{"episodes", older.string(), "--tz", "UTC"}, "schema version 2"},
        {{"episodes", good.string()}, "--tz"},
        {{"episodes", good.string(), "--tz", "Atlantis/Capital"}, "unknown time zone"},
        {{"episodes", good.string(), "--tz", "UTC", "--from", "soon"}, "--from"},
        {{"episodes", good.string(), "--tz", "UTC", "--to", "2026-02-30"}, "no date"},
        {{"episodes", good.string(), "--tz", "UTC", "--since", "0"}, "unknown option --since"},
        {{"episodes", "--tz", "UTC"}, "one database path"},
    };
    const std::string emptyBefore = test::readFile(empty);
    const std::string olderBefore = test::readFile(older);
    for (const Case& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 1) << c.says;
        EXPECT_EQ(result.out, "") << c.says;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(test::readFile(empty), emptyBefore);
    EXPECT_EQ(test::readFile(older), olderBefore);
}

} // namespace
} // namespace ostrel
