#include "core/observations/AppPayload.hpp"
#include "core/store/Store.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runProgram;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t monday = 1'709'510'400'000; // 2024-03-04 00:00 UTC
constexpr std::int64_t tenUTC = monday + 600 * minute;

std::string ms(std::int64_t value) {
    return std::to_string(value);
}

// A store with twenty minutes in an editor from 09:50 UTC, then sleep, and a class from 10:05.
fs::path makeStore(const test::TempDir& dir) {
    const fs::path path = dir / "quev.sqlite";
    Store store(path);
    const std::vector<SignalObservation> observations{
        {tenUTC - 10 * minute, Signal::appActivate,
         json::encodeRecord(AppPayload("org.example.editor", std::nullopt, std::nullopt, std::nullopt))},
        {tenUTC + 10 * minute, Signal::sleep, "{}"},
    };
    store.append(observations);
    CalendarEvent physics;
    physics.key = "physics";
    physics.title = "Physics";
    physics.start = tenUTC + 5 * minute;
    physics.end = tenUTC + 60 * minute;
    const std::vector<CalendarEvent> events{physics};
    store.syncCalendar(events, monday, monday + 1440 * minute, monday);
    return path;
}

using test::namesIn;

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ReportCommand, PrintsTheReportOfTheSpanInTheZoneAndLeavesTheFileAlone) {
    test::TempDir dir;
    const fs::path path = makeStore(dir);
    const std::string before = readFile(path);
    const auto names = namesIn(dir.path());
    const struct {
        const char* zone;
        int hour; // of 10:00 UTC
        const char* days;
    } cases[] = {
        {"UTC", 10, "[600000]"},
        {"Asia/Kolkata", 15, "[600000,0]"},        // 15:30 to 05:30 the next day
        {"Australia/Lord_Howe", 21, "[600000,0]"}, // 21:00 to 11:00 the next day
    };
    for (const auto& c : cases) {
        // The span starts at 10:00 UTC: the ten minutes before are not in it, the ten after are.
        const auto result = runProgram(OSTREL_DEV_PATH, {"report", path.string(), "--tz", c.zone, "--from",
                                                         ms(tenUTC), "--to", ms(monday + 1440 * minute)});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        std::string hours = "[";
        for (int hour = 0; hour < 24; ++hour) {
            hours += std::string(hour == 0 ? "" : ",") + (hour == c.hour ? "600000" : "0");
        }
        hours += "]";
        EXPECT_EQ(
            result.out,
            R"({"active":600000,"apps":[{"key":"org.example.editor","ms":600000}],"classes":[{"key":"Physics","ms":300000}],)"
            R"("days":)" +
                std::string(c.days) + R"(,"hours":)" + hours + R"(,"runs":0,"saved":0,"sites":[]})" + "\n")
            << c.zone;
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(namesIn(dir.path()), names);
}

TEST(ReportCommand, SpansAtTheEndsOfTimeReportWithoutOverflowing) {
    test::TempDir dir;
    const fs::path path = makeStore(dir);
    const struct {
        const char* from;
        const char* to;
    } cases[] = {
        {"-9223372036854775808", "-9223372036854775807"},
        {"9223372036854775806", "9223372036854775807"},
        {"9223372036854775807", "-9223372036854775808"}, // inverted
    };
    for (const auto& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, {"report", path.string(), "--tz", "Europe/Berlin",
                                                         "--from", c.from, "--to", c.to});
        EXPECT_EQ(result.status, 0) << c.from << " " << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out.rfind(R"({"active":0,"apps":[],"classes":[],"days":[0],)", 0), 0u) << result.out;
    }
}

TEST(ReportCommand, FailuresAreOneLineWithStatusOneAndChangeNoFile) {
    test::TempDir dir;
    const fs::path good = makeStore(dir);
    const fs::path missing = dir / "missing.sqlite";
    const fs::path garbage = dir / "garbage.sqlite";
    { std::ofstream(garbage) << std::string(4096, 'x'); }
    const fs::path old = dir / "old.sqlite";
    {
        test::RawDatabase raw(old);
        raw.exec("CREATE TABLE observations (id INTEGER PRIMARY KEY, ts INTEGER, signal TEXT, payload TEXT);"
                 "PRAGMA user_version = 1");
    }
    const fs::path empty = dir / "empty.sqlite";
    { std::ofstream{empty}; }

    const struct {
        const char* name;
        fs::path database;
        std::string zone;
        std::int64_t to;
        const char* mentions;
    } cases[] = {
        {"unknown zone", good, "Mars/Olympus", tenUTC + 1, "Mars/Olympus"},
        {"empty zone", good, "", tenUTC + 1, "time zone"},
        {"missing file", missing, "UTC", tenUTC + 1, "missing.sqlite"},
        {"a folder", dir.path(), "UTC", tenUTC + 1, "no database file"},
        {"not a database", garbage, "UTC", tenUTC + 1, "not a database"},
        {"an empty file", empty, "UTC", tenUTC + 1, "schema version 0"},
        {"an older schema", old, "UTC", tenUTC + 1, "schema version 1"},
        {"a span of ten thousand days", good, "UTC", tenUTC + 10'000LL * 1440 * minute, "3660 days"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto names = namesIn(dir.path());
        std::map<fs::path, std::string> contents;
        for (const fs::path& file : {good, garbage, old, empty}) {
            contents[file] = readFile(file);
        }
        const auto result = runProgram(OSTREL_DEV_PATH, {"report", c.database.string(), "--tz", c.zone,
                                                         "--from", ms(tenUTC), "--to", ms(c.to)});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(lines(result.err), 1u) << result.err;
        EXPECT_NE(result.err.find(c.mentions), std::string::npos) << result.err;
        EXPECT_EQ(namesIn(dir.path()), names);
        for (const auto& [file, content] : contents) {
            EXPECT_EQ(readFile(file), content) << file;
        }
    }
}

TEST(ReportCommand, UsageMistakesExitWithTwoBeforeTheFileIsOpened) {
    test::TempDir dir;
    const std::string path = (dir / "never.sqlite").string();
    const std::string from = ms(tenUTC);
    const std::vector<std::string> cases[] = {
        {"report"},
        {"report", path},
        {"report", path, "--tz", "UTC", "--from", from},
        {"report", path, "--tz", "UTC", "--from", from, "--to"},
        {"report", path, "--tz", "UTC", "--from", "10:00", "--to", from},
        {"report", path, "--tz", "UTC", "--from", from, "--to", "1e12"},
        {"report", path, "--tz", "UTC", "--from", from, "--to", "99999999999999999999"},
        {"report", path, "--tz", "UTC", "--from", "", "--to", from},
        {"report", path, "--tz", "UTC", "--tz", "UTC", "--from", from, "--to", from},
        {"report", path, "--zone", "UTC", "--from", from, "--to", from},
        {"report", path, path, "--tz", "UTC", "--from", from, "--to", from},
        {"report", "--tz", "UTC", "--from", from, "--to", from},
    };
    for (const auto& arguments : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("ostrel-dev report: "), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
} // namespace ostrel
