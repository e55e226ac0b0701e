#include "platform/Settings.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ProgramResult;
using test::runProgram;

ProgramResult settings(const test::TempDir& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"settings", "--config", (dir / "Ostrel").string()});
    return runProgram(OSTREL_DEV_PATH, arguments);
}

TEST(SettingsCommand, SetValuesAreWhatTheApplicationReadsAndListShowsThemTagged) {
    test::TempDir dir;
    struct Case {
        const char* key;
        const char* json;
    };
    const std::vector<Case> cases = {
        {"calendarSource", R"("google")"},
        {"networkSalt", R"({"$data":"AAEC/w=="})"},
        {"pausedUntil", R"({"$date":1765412978.5})"},
        {"demotedRoutines", R"(["a","b"])"},
        {"nuvoHidden", "true"},
        {"scoresReminded", "3"},
        {"odd", R"({"$dictionary":{"$k":{"day":1}}})"},
    };
    for (const Case& c : cases) {
        const auto result = settings(dir, {"set", c.key, c.json});
        EXPECT_EQ(result.status, 0) << c.key << ": " << result.err;
        EXPECT_EQ(result.out, "");
    }

    const Settings stored(dir / "Ostrel");
    EXPECT_EQ(stored.text("calendarSource"), "google");
    EXPECT_EQ(stored.data("networkSalt"), (std::vector<std::uint8_t>{0, 1, 2, 255}));
    EXPECT_EQ(stored.date("pausedUntil"), 1765412978.5);
    EXPECT_TRUE(stored.get("demotedRoutines") == SettingsValue(SettingsArray{"a", "b"}));
    EXPECT_EQ(stored.boolean("nuvoHidden"), true);
    EXPECT_EQ(stored.number("scoresReminded"), 3);
    EXPECT_TRUE(stored.get("odd") ==
                SettingsValue(SettingsDictionary{{"$k", SettingsDictionary{{"day", 1}}}}));

    // Each value reads back in the form it was given.
    for (const Case& c : cases) {
        const auto result = settings(dir, {"get", c.key});
        EXPECT_EQ(result.status, 0) << c.key << ": " << result.err;
        EXPECT_EQ(json::parse(result.out), json::parse(c.json)) << c.key << ": " << result.out;
    }
    const auto list = settings(dir, {"list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1);
    EXPECT_EQ(json::parse(list.out), stored.snapshot());
    EXPECT_EQ(json::parse(list.out).size(), cases.size());
}

TEST(SettingsCommand, DeleteRemovesAndGetOfAMissingKeyFails) {
    test::TempDir dir;
    ASSERT_EQ(settings(dir, {"set", "a", "1"}).status, 0);
    ASSERT_EQ(settings(dir, {"set", "b", "2"}).status, 0);
    const auto removed = settings(dir, {"delete", "a"});
    EXPECT_EQ(removed.status, 0) << removed.err;

    const auto missing = settings(dir, {"get", "a"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "ostrel-dev settings: no value for a\n");
    EXPECT_EQ(json::parse(settings(dir, {"list"}).out), json::parse(R"({"b":2})"));
}

TEST(SettingsCommand, ReadingAMissingFolderCreatesNothing) {
    test::TempDir dir;
    const auto list = settings(dir, {"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "{}\n");
    EXPECT_EQ(settings(dir, {"get", "a"}).status, 1);
    EXPECT_TRUE(test::namesIn(dir.path()).empty());
}

TEST(SettingsCommand, BadValuesFailWithOneLineAndChangeNothing) {
    test::TempDir dir;
    ASSERT_EQ(settings(dir, {"set", "kept", R"("before")"}).status, 0);
    for (const char* bad : {"{bad", "null", R"({"$when":1})", R"({"$data":"A"})", R"({"$date":"today"})",
                            R"({"x":1,"$y":2})", "1e999"}) {
        const auto result = settings(dir, {"set", "kept", bad});
        EXPECT_EQ(result.status, 1) << bad;
        EXPECT_TRUE(result.err.starts_with("ostrel-dev settings: ")) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_EQ(Settings(dir / "Ostrel").text("kept"), "before");
}

TEST(SettingsCommand, UsageMistakesExitWithTwo) {
    test::TempDir dir;
    const std::vector<std::vector<std::string>> mistakes = {
        {}, {"get"}, {"set", "k"}, {"list", "extra"}, {"rename", "a", "b"}, {"delete"},
    };
    for (const auto& arguments : mistakes) {
        const auto result = settings(dir, arguments);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
    const auto noConfig = runProgram(OSTREL_DEV_PATH, {"settings", "list"});
    EXPECT_EQ(noConfig.status, 2);
    EXPECT_TRUE(noConfig.err.starts_with("ostrel-dev settings: expects --config DIR\n")) << noConfig.err;
    EXPECT_TRUE(test::namesIn(dir.path()).empty());
}

} // namespace
} // namespace ostrel
