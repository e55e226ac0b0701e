#include "core/calendar/SeriesSchedule.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

const Calendar berlin("Europe/Berlin", "en_US");

// An occurrence of key at a local date and time in Berlin.
CalendarEvent at(const std::string& key, int day, int hour, int minute,
                 std::optional<std::string> location = std::nullopt, bool recurring = true) {
    const auto start = static_cast<std::int64_t>(berlin.date(2026, 9, day, hour, minute) * 1000);
    return CalendarEvent{key,      start, recurring, "Class", start, start + 5'400'000, std::move(location),
                         "School", {}};
}

TEST(SeriesSchedule, SummarisesEachRecurringKey) {
    // 7 September 2026 is a Monday.
    const std::vector<CalendarEvent> events = {
        at("maths", 7, 9, 30, "Room 1"),
        at("maths", 9, 9, 30, " Room 1\n"),
        at("maths", 14, 9, 30),
        at("maths", 16, 9, 30, "Room 2"),
        at("maths", 8, 9, 30, "Hall", false), // one-off: ignored
        at("art", 8, 9, 0, "  "),
        at("art", 15, 10, 0, "\t"),
        at("art", 22, 9, 0),
        at("art", 29, 10, 0),
        at("once", 10, 8, 0, "Library", false),
    };
    const auto schedules = SeriesSchedule::schedules(events, berlin);
    ASSERT_EQ(schedules.size(), 2u);
    EXPECT_EQ(schedules.at("maths"), (SeriesSchedule{{2, 4}, 570, "Room 1"}));
    EXPECT_EQ(schedules.at("art"), (SeriesSchedule{{3}, 540, std::nullopt}))
        << "tie goes to the smaller minute";
}

TEST(SeriesSchedule, EqualCountsGoToTheLocationThatSortsFirst) {
    for (const bool reversed : {false, true}) {
        std::vector<CalendarEvent> events = {at("k", 7, 8, 0, "Zeta"), at("k", 14, 8, 0, "Alpha"),
                                             at("k", 21, 8, 0, "Zeta"), at("k", 28, 8, 0, "Alpha")};
        if (reversed) {
            std::reverse(events.begin(), events.end());
        }
        EXPECT_EQ(SeriesSchedule::schedules(events, berlin).at("k").location, "Alpha");
    }
}

TEST(SeriesSchedule, DependsOnTheCalendarsZone) {
    // Monday 01:00 in Berlin is Sunday evening in New York.
    const std::vector<CalendarEvent> events = {at("k", 7, 1, 0)};
    EXPECT_EQ(SeriesSchedule::schedules(events, berlin).at("k"), (SeriesSchedule{{2}, 60, std::nullopt}));
    EXPECT_EQ(SeriesSchedule::schedules(events, Calendar("America/New_York", "en_US")).at("k"),
              (SeriesSchedule{{1}, 19 * 60, std::nullopt}));
    EXPECT_TRUE(SeriesSchedule::schedules({}, berlin).empty());
}

} // namespace
} // namespace ostrel
