#include "core/browsing/TabPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/store/Store.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

using test::runProgram;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t one = 1'775'041'200'000; // Wednesday 2026-04-01 13:00 in Berlin
constexpr std::int64_t now = one + 2 * 60 * minute;

SignalObservation activate(std::int64_t ts, const std::string& app) {
    return {ts, Signal::appActivate, json::encodeRecord(AppPayload(app, std::nullopt, std::nullopt, std::nullopt))};
}

// Ten minutes of a browser on two sites during a class, then an editor up to 15:00; an hour on
// the Monday before.
std::string database(const test::TempDir& folder) {
    const std::string path = (folder / "quev.sqlite").string();
    Store store(path);
    store.append(std::vector{
        activate(one - 2 * 86'400'000, "org.example.Editor"),
        activate(one, "org.example.Browser"),
        SignalObservation{one, Signal::browserTab, json::encodeRecord(TabPayload{"docs.example", std::nullopt, std::nullopt})},
        SignalObservation{one + 5 * minute, Signal::browserTab,
                          json::encodeRecord(TabPayload{"news.example", std::nullopt, std::nullopt})},
        activate(one + 10 * minute, "org.example.Editor"),
    });
    // The Monday's hour ends with one more observation: the gap after it, to Wednesday, is too long to count.
    store.append(std::vector{SignalObservation{one - 2 * 86'400'000 + 60 * minute, Signal("wifi"), "{}"}});
    CalendarEvent physics;
    physics.key = "physics";
    physics.occurrence = one;
    physics.title = "Physics";
    physics.start = one;
    physics.end = one + 10 * minute;
    physics.calendar = "uni";
    store.syncCalendar(std::vector{physics}, one - 86'400'000, one + 86'400'000, one - 86'400'000);
    return path;
}

TEST(HomeTimeCommand, PrintsThePageOfEachSpan) {
    const test::TempDir folder;
    const std::string db = database(folder);
    const auto today = runProgram(OSTREL_DEV_PATH, {"home", "time", db, "--tz", "Europe/Berlin", "--at",
                                                    std::to_string(now), "--span", "today"});
    ASSERT_EQ(today.status, 0) << today.err;
    const auto page = test::jsonLines(today.out);
    ASSERT_EQ(page.size(), 1u);
    const json::Value& t = page[0];
    EXPECT_EQ(t["big"], "2 h");
    EXPECT_EQ(t["caption"], "on your Mac today");
    EXPECT_EQ(t["saved"], "Ostrel hasn't set anything up for you yet");
    EXPECT_EQ(t["chart"]["kind"], "hours");
    ASSERT_EQ(t["chart"]["bars"].size(), 20u);
    EXPECT_EQ(t["chart"]["bars"][0], (json::Value{{"label", "6\u202FAM"}, {"height", 4}, {"amount", "0 min"}}));
    EXPECT_EQ(t["chart"]["bars"][7], (json::Value{{"label", ""}, {"height", 90}, {"amount", "1 h"}}));
    EXPECT_EQ(t["chart"]["bars"][9], (json::Value{{"label", ""}, {"height", 4}, {"amount", "under a minute"}}));
    EXPECT_EQ(t["chart"]["bars"][12]["label"], "6\u202FPM");
    EXPECT_EQ(t["apps"], (json::Value{{{"name", "org.example.Editor"}, {"words", "1 h 50 min"}, {"width", 650}},
                                       {{"name", "org.example.Browser"}, {"words", "10 min"}, {"width", 650.0 * 600'000 / 6'600'001}}}));
    EXPECT_EQ(t["sites"], (json::Value{{{"name", "docs.example"}, {"words", "5 min"}, {"width", 650}},
                                        {{"name", "news.example"}, {"words", "5 min"}, {"width", 650}}}));
    EXPECT_EQ(t["classes"], (json::Value{{{"name", "Physics"}, {"words", "10 min"}, {"width", 650}}}));
    EXPECT_TRUE(t["lookBack"].is_null()) << "no model is asked";

    const auto week = runProgram(OSTREL_DEV_PATH, {"home", "time", db, "--tz", "Europe/Berlin", "--at",
                                                   std::to_string(now), "--span", "week"});
    ASSERT_EQ(week.status, 0) << week.err;
    const json::Value w = test::jsonLines(week.out).at(0);
    EXPECT_EQ(w["big"], "3 h");
    EXPECT_EQ(w["caption"], "this week");
    EXPECT_EQ(w["chart"]["kind"], "days");
    const json::Value& bars = w["chart"]["bars"];
    ASSERT_EQ(bars.size(), 7u);
    const char* days[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(bars[i]["label"], days[i]) << i;
    }
    EXPECT_EQ(bars[4], (json::Value{{"label", "Mon"}, {"height", 100.0 * 3'600'000 / 7'200'001}, {"amount", "1h"}}));
    EXPECT_EQ(bars[6], (json::Value{{"label", "Wed"}, {"height", 100}, {"amount", "2h"}}));
    EXPECT_EQ(bars[0], (json::Value{{"label", "Thu"}, {"height", 4}, {"amount", ""}}));
    EXPECT_TRUE(w["lookBack"].is_null());
}

TEST(HomeTimeCommand, RefusesWhatItCannotShow) {
    const test::TempDir folder;
    const std::string db = database(folder);
    const std::string at = std::to_string(now);
    EXPECT_TRUE(test::refusedInOneLine(runProgram(OSTREL_DEV_PATH, {"home", "time", db, "--tz", "Europe/Berlin"}),
                                       "home time", "--at"));
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"home", "time", db, "--tz", "Europe/Berlin", "--at", at, "--span", "month"}),
        "home time", "today or week"));
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"home", "time", (folder / "none.sqlite").string(), "--tz", "Europe/Berlin", "--at", at}),
        "home time", "none.sqlite"));
    {
        test::RawDatabase raw(folder / "quev.sqlite");
        raw.exec("INSERT INTO observations (ts, signal, payload) VALUES (" + std::to_string(now - minute) +
                 ".5, 'system.wake', '{}')");
    }
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"home", "time", db, "--tz", "Europe/Berlin", "--at", at}), "home time",
        "the report could not be made"));
}

} // namespace
} // namespace ostrel
