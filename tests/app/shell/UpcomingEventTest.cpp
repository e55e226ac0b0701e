// Coming events as the menu shows them: which are read, when they start in words against the
// moment asked (not the machine's clock), what the autopilot will do, and the day of observing.

#include "app/home/ObserverPeriod.hpp"
#include "app/shell/UpcomingEvent.hpp"

#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;

class UpcomingEventTest : public ::testing::Test {
protected:
    // Wednesday 2026-12-09, 10:00 in Berlin.
    const Calendar calendar{"Europe/Berlin", "en_US"};
    const std::int64_t now = static_cast<std::int64_t>(calendar.date(2026, 12, 9, 10, 0) * 1000);

    void store(const std::vector<CalendarEvent>& events) {
        db.syncCalendar(events, now - 48 * hour, now + 96 * hour, now);
    }
    static CalendarEvent event(const std::string& key, std::int64_t start, std::int64_t end, bool recurring = true) {
        CalendarEvent e;
        e.key = key;
        e.occurrence = start;
        e.recurring = recurring;
        e.title = key;
        e.start = start;
        e.end = end;
        e.calendar = "uni";
        return e;
    }
    std::vector<std::string> whens(const std::vector<UpcomingEvent>& rows) {
        std::vector<std::string> out;
        for (const auto& row : rows) out.push_back(row.event.key + " " + row.when);
        return out;
    }

    test::TempDir dir;
    Store db{dir.path() / "quev.sqlite"};
};

TEST_F(UpcomingEventTest, WhichEventsAreReadAndHowTheirStartIsWorded) {
    const std::string nnbsp = "\u202F";
    store({
        event("begun", now - 30 * minute, now + 30 * minute),
        event("ended", now - hour, now),
        event("starting", now, now + hour),
        event("later", now + 4 * hour, now + 5 * hour),           // 14:00 today
        event("tomorrow", now + 22 * hour, now + 23 * hour),      // Thursday 8:00
        event("edge", now + 36 * hour - minute, now + 37 * hour),  // Thursday 21:59
        event("beyond", now + 36 * hour, now + 37 * hour),
    });
    const auto rows = UpcomingEvent::load(db, now, 10, calendar);
    EXPECT_EQ(whens(rows), (std::vector<std::string>{"begun Now", "starting Now", "later Today 2:00" + nnbsp + "PM",
                                                      "tomorrow Tomorrow 8:00" + nnbsp + "AM",
                                                      "edge Tomorrow 9:59" + nnbsp + "PM"}));
    EXPECT_EQ(whens(UpcomingEvent::load(db, now, 1, calendar)), std::vector<std::string>{"begun Now"});
    EXPECT_TRUE(UpcomingEvent::load(db, now, 0, calendar).empty());
}

TEST_F(UpcomingEventTest, TheDayIsJudgedAgainstTheMomentAsked) {
    // Late in the evening, an event after midnight is tomorrow's; two days on, a weekday.
    const std::int64_t late = static_cast<std::int64_t>(calendar.date(2026, 12, 9, 23, 30) * 1000);
    const CalendarEvent afterMidnight = event("a", late + hour, late + 2 * hour);
    EXPECT_EQ(UpcomingEvent::make(afterMidnight, Autopilot::EventPlan::oneOff(), late, calendar).when,
              "Tomorrow 12:30\u202FAM");
    const CalendarEvent friday = event("f", late + 25 * hour, late + 26 * hour);
    EXPECT_EQ(UpcomingEvent::make(friday, Autopilot::EventPlan::oneOff(), late, calendar).when, "Fri 12:30\u202FAM");
}

TEST_F(UpcomingEventTest, PlansInWordsAndIdentities) {
    struct Case {
        Autopilot::EventPlan plan;
        std::string text;
    };
    const Case cases[] = {
        {Autopilot::EventPlan::asking(1), "Asks first \u00B7 1 of 3 yeses"},
        {Autopilot::EventPlan::oneOff(), "Asks if Ostrel can help"},
        {Autopilot::EventPlan::automatic(), "Sets up by itself"},
        {Autopilot::EventPlan::alwaysAsks(), "Always asks: it's a video call"},
        {Autopilot::EventPlan::stoppedAsking(), "Stopped asking"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpcomingEvent::planText(c.plan), c.text);
    }
    store({event("maths", now + hour, now + 2 * hour), event("maths", now + hour + 7 * 24 * hour, now + 2 * hour)});
    const auto rows = UpcomingEvent::load(db, now, 5, calendar);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].plan, "Asks first \u00B7 0 of 3 yeses") << "no answers yet";
    UpcomingEvent next = rows[0];
    next.event.occurrence += 7 * 24 * hour;
    EXPECT_NE(rows[0].id(), next.id());
    EXPECT_EQ(rows[0].id(), "maths|" + std::to_string(now + hour));
}

TEST_F(UpcomingEventTest, TheDayOfObservingCountsCalendarDays) {
    Settings settings(Settings::inMemory);
    const Date launch = calendar.date(2026, 12, 9, 23, 50);
    EXPECT_EQ(ObserverPeriod::day(settings, launch, calendar), 1);
    EXPECT_EQ(ObserverPeriod::day(settings, calendar.date(2026, 12, 10, 0, 5), calendar), 2);
    EXPECT_EQ(ObserverPeriod::day(settings, calendar.date(2026, 12, 16, 12, 0), calendar), 8);
}

} // namespace
} // namespace ostrel
