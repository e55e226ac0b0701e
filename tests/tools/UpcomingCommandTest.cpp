#include "core/store/Store.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

using test::runProgram;

// Two classes tomorrow morning in Berlin, the day after 2026-12-09 at noon.
std::string database(const test::TempDir& folder) {
    const std::string path = (folder / "quev.sqlite").string();
    Store store(path);
    const std::int64_t nine = 1'796'889'600'000; // 2026-12-10 09:00 Berlin
    std::vector<CalendarEvent> events;
    for (const auto& [key, start] : {std::pair{"maths", nine}, std::pair{"physics", nine + 2 * 3'600'000}}) {
        CalendarEvent event;
        event.key = key;
        event.occurrence = start;
        event.recurring = true;
        event.title = key;
        event.start = start;
        event.end = start + 3'600'000;
        event.calendar = "uni";
        events.push_back(event);
    }
    store.syncCalendar(events, nine - 86'400'000, nine + 86'400'000, nine - 86'400'000);
    return path;
}

TEST(UpcomingCommand, PrintsTheComingEventsThenTheDayOfObserving) {
    const test::TempDir folder;
    const std::string db = database(folder);
    const auto all = runProgram(OSTREL_DEV_PATH, {"upcoming", db, "--tz", "Europe/Berlin", "--at", "1796814000000",
                                                  "--first-launch", "2026-12-01"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out,
              "{\"id\":\"maths|1796889600000\",\"plan\":\"Asks first \u00B7 0 of 3 yeses\","
              "\"when\":\"Tomorrow 9:00\u202FAM\"}\n"
              "{\"id\":\"physics|1796896800000\",\"plan\":\"Asks first \u00B7 0 of 3 yeses\","
              "\"when\":\"Tomorrow 11:00\u202FAM\"}\n"
              "{\"day\":9}\n");
    const auto one = runProgram(OSTREL_DEV_PATH, {"upcoming", db, "--tz", "Europe/Berlin", "--at", "1796814000000",
                                                  "--limit", "1"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 2);
    EXPECT_NE(one.out.find("{\"day\":1}"), std::string::npos);

    const auto noMoment = runProgram(OSTREL_DEV_PATH, {"upcoming", db, "--tz", "Europe/Berlin"});
    EXPECT_EQ(noMoment.status, 1);
    EXPECT_NE(noMoment.err.find("--at"), std::string::npos);
}

} // namespace
} // namespace ostrel
