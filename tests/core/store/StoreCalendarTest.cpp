#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::RawDatabase;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;

class StoreCalendarTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / "Quev" / "quev.sqlite";
    Store store{file};

    static CalendarEvent event(std::string key, std::int64_t start, std::int64_t end = -1) {
        return {key,          start,    false, "Title of " + key, start, end < 0 ? start + hour : end,
                std::nullopt, "School", {}};
    }

    std::vector<std::string> keys(std::int64_t from, std::int64_t to) {
        std::vector<std::string> result;
        for (const CalendarEvent& e : store.calendarEvents(from, to)) {
            result.push_back(e.key);
        }
        return result;
    }

    std::vector<std::string> storedKeys() {
        RawDatabase raw(file);
        const std::string all = raw.scalar("SELECT group_concat(key, ',') FROM "
                                           "(SELECT key FROM calendar_events ORDER BY key, occurrence)");
        std::vector<std::string> result;
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t comma = std::min(all.find(',', start), all.size());
            result.push_back(all.substr(start, comma - start));
            start = comma + 1;
        }
        return result;
    }

    void expectFailure(const std::function<void()>& call, const std::string& message) {
        try {
            call();
            ADD_FAILURE() << "no failure, expected " << message;
        } catch (const SQLiteError& error) {
            EXPECT_EQ(error.code(), 0);
            EXPECT_EQ(error.message(), message);
        }
    }
};

TEST_F(StoreCalendarTest, EveryFieldReadsBackAsSynced) {
    const std::vector<CalendarEvent> events = {
        {"series-1",
         10 * hour,
         true,
         "Physics",
         10 * hour + 5 * minute,
         11 * hour,
         "Room 3/B",
         "School",
         {"https://meet.example/abc", "https://example.com/syllabus"}},
        {"one-off", 12 * hour, false, "", 12 * hour, 13 * hour, std::nullopt, "Home", {}},
    };
    store.syncCalendar(events, 0, 24 * hour, 5);
    EXPECT_EQ(store.calendarEvents(0, 24 * hour), events);

    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("SELECT links FROM calendar_events WHERE key = 'series-1'"),
              "https://meet.example/abc\nhttps://example.com/syllabus");
    EXPECT_EQ(raw.scalar("SELECT quote(location) || '|' || links || '|' || recurring || '|' || first_seen_ts "
                         "FROM calendar_events WHERE key = 'one-off'"),
              "NULL||0|5");
}

TEST_F(StoreCalendarTest, SyncingAgainUpdatesTheEventAndKeepsWhenItWasFirstSeen) {
    CalendarEvent physics = event("series-1", 10 * hour);
    physics.recurring = true;
    store.syncCalendar(std::vector{physics}, 0, 24 * hour, 1000);
    physics.title = "Physics (moved)";
    physics.start += hour;
    physics.end += hour;
    physics.location = "Lab";
    store.syncCalendar(std::vector{physics}, 0, 24 * hour, 2000);

    EXPECT_EQ(store.calendarEvents(0, 24 * hour), std::vector{physics});
    EXPECT_EQ(store.calendarSeries(), (std::vector<CalendarSeries>{{"series-1", "Physics (moved)", 1000}}));
    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("SELECT count(*) || ':' || first_seen_ts FROM calendar_events"), "1:1000");
}

TEST_F(StoreCalendarTest, SyncDeletesOnlyMissingEventsThatStartInsideItsRange) {
    const std::vector<CalendarEvent> stored = {
        event("before", 9 * hour - 1, 10 * hour + 30 * minute), // running into the range
        event("first", 10 * hour),
        event("middle", 11 * hour),
        event("kept", 11 * hour + 30 * minute),
        event("last", 12 * hour - 1),
        event("at-end", 12 * hour),
    };
    const struct {
        std::vector<CalendarEvent> given;
        std::int64_t from;
        std::int64_t to;
        std::vector<std::string> left;
    } cases[] = {
        {{}, 10 * hour, 12 * hour, {"at-end", "before"}},
        {{event("kept", 11 * hour + 30 * minute)}, 10 * hour, 12 * hour, {"at-end", "before", "kept"}},
        // A given event is upserted wherever it starts; stored ones outside the range stay.
        {{event("new", 20 * hour)},
         11 * hour,
         11 * hour + 1,
         {"at-end", "before", "first", "kept", "last", "new"}},
        {{}, 12 * hour, 10 * hour, {"at-end", "before", "first", "kept", "last", "middle"}},
        {{}, 10 * hour, 10 * hour, {"at-end", "before", "first", "kept", "last", "middle"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.left));
        store.syncCalendar(stored, 0, 48 * hour, 1);
        store.syncCalendar(c.given, c.from, c.to, 2);
        EXPECT_EQ(storedKeys(), c.left);
        store.syncCalendar(std::vector<CalendarEvent>{}, std::numeric_limits<std::int64_t>::min(),
                           std::numeric_limits<std::int64_t>::max(), 3);
        EXPECT_EQ(storedKeys(), std::vector<std::string>{});
    }
}

TEST_F(StoreCalendarTest, SyncTellsOccurrencesOfOneKeyApart) {
    CalendarEvent monday = event("series-1", 10 * hour);
    CalendarEvent tuesday = event("series-1", 34 * hour);
    store.syncCalendar(std::vector{monday, tuesday}, 0, 48 * hour, 1);
    // The Monday class moved to the afternoon: same occurrence, new start.
    monday.start = 15 * hour;
    monday.end = 16 * hour;
    store.syncCalendar(std::vector{monday}, 0, 48 * hour, 2);
    EXPECT_EQ(store.calendarEvents(0, 48 * hour), std::vector{monday});
}

TEST_F(StoreCalendarTest, SyncLeavesRowsOfAnotherShapeInPlace) {
    {
        RawDatabase raw(file);
        raw.exec(
            "INSERT INTO calendar_events (key, occurrence, recurring, title, start_ts, end_ts, calendar, "
            "first_seen_ts) VALUES ('k', 'x', 0, 't', 100, 200, 'c', 0), ('k', 1.5, 0, 't', 100, 200, 'c', "
            "0)");
    }
    store.syncCalendar(std::vector<CalendarEvent>{}, 0, 1000, 1);
    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM calendar_events"), "2");
}

TEST_F(StoreCalendarTest, AFailedSyncLeavesNothingOfItself) {
    store.syncCalendar(std::vector{event("a", 10 * hour), event("b", 11 * hour)}, 0, 24 * hour, 1);
    {
        RawDatabase raw(file);
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON calendar_events WHEN NEW.key = 'bad' "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    CalendarEvent renamed = event("a", 10 * hour);
    renamed.title = "renamed";
    EXPECT_THROW(store.syncCalendar(std::vector{renamed, event("c", 12 * hour), event("bad", 13 * hour)}, 0,
                                    24 * hour, 2),
                 SQLiteError);
    EXPECT_EQ(store.calendarEvents(0, 24 * hour),
              (std::vector{event("a", 10 * hour), event("b", 11 * hour)}));
}

TEST_F(StoreCalendarTest, ReadsTheEventsOverlappingARange) {
    store.syncCalendar(std::vector{event("class", 10 * hour, 11 * hour)}, 0, 24 * hour, 1);
    const struct {
        std::int64_t from;
        std::int64_t to;
        bool found;
    } cases[] = {
        {10 * hour + 59 * minute, 12 * hour, true},
        {11 * hour, 12 * hour, false},
        {9 * hour, 10 * hour, false},
        {9 * hour, 10 * hour + 1, true},
        {10 * hour + 10 * minute, 10 * hour + 20 * minute, true},
        {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), true},
        // An empty range inside the event: the overlap test finds it, as callers asking for a
        // moment expect.
        {10 * hour + 30 * minute, 10 * hour + 30 * minute, true},
        // An inverted range holds no moment, though start < to and end > from both hold here.
        {10 * hour + 40 * minute, 10 * hour + 20 * minute, false},
        {12 * hour, 9 * hour, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(store.calendarEvents(c.from, c.to).size(), c.found ? 1u : 0u) << c.from << ".." << c.to;
    }
}

TEST_F(StoreCalendarTest, EventsComeByStartThenKey) {
    store.syncCalendar(std::vector{event("b", 2 * hour), event("c", hour), event("a", 2 * hour)}, 0,
                       24 * hour, 1);
    EXPECT_EQ(keys(0, 24 * hour), (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(StoreCalendarTest, LinksSplitAtLineFeedsWithoutEmptyPieces) {
    {
        RawDatabase raw(file);
        raw.exec(
            "INSERT INTO calendar_events VALUES "
            "('empty', 1, 0, 't', 100, 200, NULL, 'c', 0, ''), "
            "('two', 2, 0, 't', 100, 200, NULL, 'c', 0, char(10) || 'https://a' || char(10) || char(10) || "
            "'https://b' || char(10)), "
            "('one', 3, 0, 't', 100, 200, NULL, 'c', 0, 'https://c')");
    }
    const auto events = store.calendarEvents(0, 1000);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].links, std::vector<std::string>{});
    EXPECT_EQ(events[1].links, std::vector<std::string>{"https://c"});
    EXPECT_EQ(events[2].links, (std::vector<std::string>{"https://a", "https://b"}));
}

TEST_F(StoreCalendarTest, RowsOfAnotherShapeFailTheReads) {
    CalendarEvent later = event("later", 30 * hour);
    later.recurring = true;
    store.syncCalendar(std::vector{event("good", 10 * hour), later}, 0, 48 * hour, 1);
    {
        RawDatabase raw(file);
        raw.exec("UPDATE calendar_events SET start_ts = 30 * 3600000 + 0.5, first_seen_ts = 'x' "
                 "WHERE key = 'later'");
    }
    EXPECT_EQ(keys(0, 24 * hour), std::vector<std::string>{"good"}) << "a read that does not meet the row";
    expectFailure([&] { store.calendarEvents(0, 48 * hour); }, "malformed calendar event row");
    expectFailure([&] { store.calendarSeries(); }, "malformed calendar series row");
}

TEST_F(StoreCalendarTest, SeriesOneForEachRecurringKeyFirstSeenAtItsEarliestSighting) {
    const auto occurrence = [](std::string key, std::int64_t start, std::string title) {
        CalendarEvent e = event(std::move(key), start);
        e.recurring = true;
        e.title = std::move(title);
        return e;
    };
    store.syncCalendar(std::vector{event("one-off", hour)}, 0, 24 * hour, 100);
    EXPECT_EQ(store.calendarSeries(), std::vector<CalendarSeries>{}) << "a one-off event is no series";

    store.syncCalendar(std::vector{occurrence("math", 2 * hour, "Math")}, 2 * hour, 3 * hour, 300);
    store.syncCalendar(
        std::vector{occurrence("math", 26 * hour, "Math 2"), occurrence("art", 27 * hour, "Art")}, 26 * hour,
        28 * hour, 200);
    store.syncCalendar(std::vector{occurrence("math", 50 * hour, "Math 3")}, 50 * hour, 51 * hour, 400);
    EXPECT_EQ(store.calendarSeries(),
              (std::vector<CalendarSeries>{{"art", "Art", 200}, {"math", "Math 2", 200}}));
}

} // namespace
} // namespace ostrel
