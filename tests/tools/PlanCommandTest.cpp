#include "core/store/Store.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

constexpr std::int64_t week = 7 * 86'400'000;
// Monday 7 September 2026, 09:30 in Berlin.
constexpr std::int64_t firstClass = 1'788'766'200'000;

using test::namesIn;

class PlanCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path path = dir / "quev.sqlite";

    // Four weekly maths classes whose starts are stored triggers; after each of the first three the
    // user brought up the browser and the slides.
    void SetUp() override {
        Store store(path);
        for (int n = 0; n < 4; ++n) {
            const std::int64_t start = firstClass + n * week;
            const CalendarEvent maths{"maths",           start,    true,     "Maths", start,
                                      start + 5'400'000, "Room 1", "School", {}};
            store.syncCalendar(std::vector{maths}, start, start + 1, firstClass - week);
            store.insert(std::vector<Trigger>{{start, Trigger::Kind::eventStart}});
            if (n < 3) {
                store.append(std::vector<SignalObservation>{
                    {start + 2'000, Signal::appActivate, R"({"bundleID":"com.apple.Safari"})"},
                    {start + 3'000, Signal::windowFocus,
                     R"({"bundleID":"com.example.Reader","document":"/maths/slides.pdf"})"}});
            }
        }
    }

    test::ProgramResult plan(const std::string& at, const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments = {"plan", path.string(), "--tz", "Europe/Berlin", "--at", at};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runProgram(OSTREL_DEV_PATH, arguments);
    }
};

TEST_F(PlanCommandTest, OneObjectPerPassAndTheFileUntouched) {
    const std::string before = test::readFile(path);
    const auto files = namesIn(dir.path());
    const std::string fourth = std::to_string(firstClass + 3 * week);

    const struct {
        std::vector<std::string> arguments;
        std::string at;
        std::string out;
    } cases[] = {
        {{"--trigger", "event_start"},
         fourth,
         R"({"action":"ask","items":["app:com.apple.Safari","document:/maths/slides.pdf"],"name":"Maths",)"
         R"("picked":false,"routine":"event:maths","saveOffer":null})"},
        {{"--now", std::to_string(firstClass + 3 * week + 60'000), "--trigger", "event_start"},
         fourth,
         R"({"action":"ask","items":["app:com.apple.Safari","document:/maths/slides.pdf"],"name":"Maths",)"
         R"("picked":false,"routine":"event:maths","saveOffer":null})"},
        {{"--trigger", "event_start"},
         std::to_string(firstClass),
         R"({"action":"nothing","items":[],"name":null,"picked":false,"routine":null,"saveOffer":"event:maths"})"},
    };
    for (const auto& c : cases) {
        const auto result = plan(c.at, c.arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out + "\n");
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(namesIn(dir.path()), files);
}

TEST_F(PlanCommandTest, MistakesAreOneLineAndExitOne) {
    const std::string before = test::readFile(path);
    const std::string fourth = std::to_string(firstClass + 3 * week);
    const std::string missing = (dir / "none" / "quev.sqlite").string();
    const std::string notADatabase = (dir / "notes.txt").string();
    std::ofstream(notADatabase) << "not a database, only words";

    const struct {
        const char* name;
        std::vector<std::string> arguments;
    } cases[] = {
        {"bad zone", {"plan", path.string(), "--tz", "Mars/Olympus", "--at", fourth, "--trigger", "wake"}},
        {"bad kind", {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "nap"}},
        {"stored kind text only",
         {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "eventStart"}},
        {"unknown option", {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "wake", "-v"}},
        {"option twice",
         {"plan", path.string(), "--tz", "UTC", "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"option without value", {"plan", path.string(), "--tz", "UTC", "--trigger", "wake", "--at"}},
        {"missing option", {"plan", path.string(), "--tz", "UTC", "--trigger", "wake"}},
        {"not milliseconds", {"plan", path.string(), "--tz", "UTC", "--at", "12x", "--trigger", "wake"}},
        {"now out of range",
         {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "wake", "--now",
          "9223372036854775808"}},
        {"no database path", {"plan", "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"two database paths",
         {"plan", path.string(), path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"missing database", {"plan", missing, "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"a folder", {"plan", dir.path().string(), "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"not a database", {"plan", notADatabase, "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"no such trigger", {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "wake"}},
        {"run before the trigger",
         {"plan", path.string(), "--tz", "UTC", "--at", fourth, "--trigger", "event_start", "--now", "0"}},
    };
    for (const auto& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.name;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.name << ": " << result.err;
        EXPECT_TRUE(result.err.starts_with("ostrel-dev plan: ")) << c.name << ": " << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(test::readFile(notADatabase), "not a database, only words");
}

TEST_F(PlanCommandTest, AnOlderSchemaIsRefusedNotUpgraded) {
    {
        test::RawDatabase raw(path);
        raw.exec("PRAGMA user_version = 3");
    }
    const std::string before = test::readFile(path);
    const auto result = plan(std::to_string(firstClass), {"--trigger", "event_start"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("schema version 3"), std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(path), before);
}

} // namespace
} // namespace ostrel
