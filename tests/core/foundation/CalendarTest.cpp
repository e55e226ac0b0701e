#include "core/foundation/Calendar.hpp"

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr double hour = 3600.0;

// Instants written as UTC so that each expectation is checked against a known offset.
constexpr double mon0830utc = 1709541000; // 2024-03-04 08:30 UTC, a Monday
constexpr double sun2330utc = 1709508600; // 2024-03-03 23:30 UTC, a Sunday

TEST(Calendar, ComponentsFollowTheGivenZone) {
    const struct {
        const char* zone;
        double date;
        int weekday, hour, minute, day;
    } cases[] = {
        {"UTC", mon0830utc, 2, 8, 30, 4},
        {"Europe/Berlin", mon0830utc, 2, 9, 30, 4},
        {"America/New_York", mon0830utc, 2, 3, 30, 4},
        {"Asia/Kolkata", mon0830utc, 2, 14, 0, 4},
        // Late Sunday in UTC is already Monday in Berlin and still Sunday afternoon in New York.
        {"Europe/Berlin", sun2330utc, 2, 0, 30, 4},
        {"America/New_York", sun2330utc, 1, 18, 30, 3},
        {"Pacific/Kiritimati", sun2330utc, 2, 13, 30, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        const Calendar calendar(c.zone, "en_US");
        const Calendar::Components parts = calendar.components(c.date);
        EXPECT_EQ(parts.weekday, c.weekday);
        EXPECT_EQ(parts.hour, c.hour);
        EXPECT_EQ(parts.minute, c.minute);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(parts.month, 3);
        EXPECT_EQ(parts.year, 2024);
        EXPECT_EQ(calendar.weekday(c.date), c.weekday);
        EXPECT_EQ(calendar.hour(c.date), c.hour);
        EXPECT_EQ(calendar.minute(c.date), c.minute);
    }
}

TEST(Calendar, WeekdaysRunFromSundayToSaturdayWhateverTheFirstWeekday) {
    const Calendar sundayFirst("Europe/Berlin", "en_US");
    const Calendar mondayFirst("Europe/Berlin", "de_DE");
    EXPECT_EQ(sundayFirst.firstWeekday(), 1);
    EXPECT_EQ(mondayFirst.firstWeekday(), 2);
    EXPECT_EQ(Calendar("Europe/Berlin", "en_US", 7).firstWeekday(), 7);
    const double sunday = sundayFirst.date(2024, 3, 3, 12);
    for (int day = 0; day < 7; ++day) {
        const double date = sunday + day * 24 * hour;
        EXPECT_EQ(sundayFirst.weekday(date), day + 1);
        EXPECT_EQ(mondayFirst.weekday(date), day + 1);
    }
}

TEST(Calendar, OffsetIsTheOneInForceAtTheInstant) {
    const struct {
        const char* zone;
        double date;
        std::int64_t offset; // ms
    } cases[] = {
        {"UTC", mon0830utc, 0},
        {"Europe/Berlin", mon0830utc, 3'600'000},
        {"Europe/Berlin", 1729990800 - 1, 7'200'000}, // the last second of summer time, 2024-10-27
        {"Europe/Berlin", 1729990800, 3'600'000},
        {"America/New_York", mon0830utc, -18'000'000},
        {"Asia/Kolkata", mon0830utc, 19'800'000},
        {"Australia/Lord_Howe", 1712415600 - 1, 39'600'000}, // 2024-04-07, before 02:00 goes back to 01:30
        {"Australia/Lord_Howe", 1712415600, 37'800'000},
    };
    for (const auto& c : cases) {
        const Calendar calendar(c.zone, "en_US");
        EXPECT_EQ(calendar.offset(c.date), c.offset) << c.zone << " " << c.date;
        // The local wall time is the instant plus the offset.
        const auto local = static_cast<std::int64_t>(c.date) * 1000 + c.offset;
        const Calendar::Components parts = calendar.components(c.date);
        EXPECT_EQ(local / 3'600'000 % 24, parts.hour) << c.zone << " " << c.date;
        EXPECT_EQ(local / 60'000 % 60, parts.minute) << c.zone << " " << c.date;
    }
    EXPECT_THROW(Calendar("UTC", "en_US").offset(std::numeric_limits<double>::quiet_NaN()), CalendarError);
}

TEST(Calendar, AnOffsetSpanHoldsUpToTheZonesNextChange) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* zone;
        Date date;
        std::int64_t offset;
        double until; // ms
    } cases[] = {
        {"Europe/Berlin", 1'709'506'800, 3'600'000, 1'711'846'800'000},     // to 2024-03-31 01:00 UTC
        {"Europe/Berlin", 1'711'846'800, 7'200'000, 1'729'990'800'000},     // at that change, to October's
        {"Europe/Berlin", 1'711'846'799.999, 3'600'000, 1'711'846'800'000}, // a millisecond before it
        {"Asia/Kolkata", 1'709'506'800, 19'800'000, infinity},
        {"UTC", 1'709'506'800, 0, infinity},
    };
    for (const auto& c : cases) {
        const Calendar calendar(c.zone, "en_US");
        const Calendar::OffsetSpan span = calendar.offsetSpan(c.date);
        EXPECT_EQ(span.offset, calendar.offset(c.date)) << c.zone << " " << c.date;
        EXPECT_EQ(span.offset, c.offset) << c.zone << " " << c.date;
        EXPECT_EQ(span.until, c.until) << c.zone << " " << c.date;
        EXPECT_TRUE(span.holds(c.date)) << c.zone << " " << c.date;
        EXPECT_FALSE(span.holds(c.date - 0.001)) << "a span starts at its date";
        if (std::isfinite(c.until)) {
            EXPECT_TRUE(span.holds((c.until - 1) / 1000)) << c.zone << " " << c.date;
            EXPECT_FALSE(span.holds(c.until / 1000)) << c.zone << " " << c.date;
            EXPECT_NE(calendar.offset(c.until / 1000), span.offset) << c.zone << " " << c.date;
        }
    }
    EXPECT_THROW(Calendar("UTC", "en_US").offsetSpan(std::numeric_limits<double>::quiet_NaN()), CalendarError);
}

TEST(Calendar, BerlinSpringForwardDayHasTwentyThreeHours) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    const double noonSunday = 1711879200; // 2024-03-31 12:00 CEST = 10:00 UTC
    const double midnight = 1711839600;   // 2024-03-31 00:00 CET = 2024-03-30 23:00 UTC
    EXPECT_EQ(berlin.startOfDay(noonSunday), midnight);
    EXPECT_EQ(berlin.startOfDay(midnight), midnight);
    EXPECT_EQ(berlin.addingDays(1, midnight) - midnight, 23 * hour);

    // Saturday noon plus one day is Sunday noon, 23 hours later; and back again.
    const double noonSaturday = 1711796400; // 2024-03-30 12:00 CET = 11:00 UTC
    EXPECT_EQ(berlin.addingDays(1, noonSaturday), noonSunday);
    EXPECT_EQ(berlin.addingDays(-1, noonSunday), noonSaturday);
    EXPECT_EQ(berlin.hour(noonSunday), 12);

    // 02:30 does not exist that night: it is read in winter time, which is 03:30 summer time.
    const double skipped = berlin.date(2024, 3, 31, 2, 30);
    EXPECT_EQ(skipped, midnight + 2.5 * hour);
    EXPECT_EQ(berlin.hour(skipped), 3);
    EXPECT_EQ(berlin.addingDays(1, berlin.date(2024, 3, 30, 2, 30)), skipped);

    // Half past one local before the change and half past three after it are one hour apart.
    EXPECT_EQ(berlin.date(2024, 3, 31, 3, 30) - berlin.date(2024, 3, 31, 1, 30), hour);
}

TEST(Calendar, NewYorkFallBackDayHasTwentyFiveHours) {
    const Calendar newYork("America/New_York", "en_US");
    const double midnight = 1730606400;     // 2024-11-03 00:00 EDT = 04:00 UTC
    const double nextMidnight = 1730696400; // 2024-11-04 00:00 EST = 05:00 UTC
    EXPECT_EQ(newYork.startOfDay(midnight + 20 * hour), midnight);
    EXPECT_EQ(newYork.addingDays(1, midnight), nextMidnight);
    EXPECT_EQ(nextMidnight - midnight, 25 * hour);

    // The hour from 1:00 to 2:00 comes twice; both readings say 1:30.
    const double firstOneThirty = 1730611800;  // 05:30 UTC, EDT
    const double secondOneThirty = 1730615400; // 06:30 UTC, EST
    EXPECT_EQ(newYork.hour(firstOneThirty), 1);
    EXPECT_EQ(newYork.hour(secondOneThirty), 1);
    EXPECT_EQ(newYork.minute(secondOneThirty), 30);
    EXPECT_EQ(newYork.date(2024, 11, 3, 1, 30), firstOneThirty);

    EXPECT_EQ(newYork.dayDifference(midnight + 0.5 * hour, nextMidnight - 0.5 * hour), 0);
    EXPECT_EQ(newYork.dayDifference(midnight + 0.5 * hour, nextMidnight + 0.1 * hour), 1);
}

TEST(Calendar, NewYorkSpringForwardDayHasTwentyThreeHours) {
    const Calendar newYork("America/New_York", "en_US");
    const double midnight = 1710046800;     // 2024-03-10 00:00 EST = 05:00 UTC
    const double nextMidnight = 1710129600; // 2024-03-11 00:00 EDT = 04:00 UTC
    EXPECT_EQ(newYork.startOfDay(midnight + 12 * hour), midnight);
    EXPECT_EQ(newYork.addingDays(1, midnight), nextMidnight);
    EXPECT_EQ(newYork.startOfDay(nextMidnight - 1), midnight);
    EXPECT_EQ(newYork.startOfDay(nextMidnight), nextMidnight);
}

TEST(Calendar, DayStartsAtTheChangeWhenMidnightIsSkipped) {
    // São Paulo moved its clocks from 00:00 to 01:00 on 2018-11-04.
    const Calendar saoPaulo("America/Sao_Paulo", "pt_BR");
    const double oneAm = 1541300400; // 2018-11-04 01:00 -02 = 03:00 UTC
    EXPECT_EQ(saoPaulo.startOfDay(1541343600), oneAm);
    EXPECT_EQ(saoPaulo.hour(oneAm), 1);
    EXPECT_EQ(saoPaulo.date(2018, 11, 4), oneAm);
}

TEST(Calendar, DayDifferenceCountsLocalDates) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    const Calendar newYork("America/New_York", "en_US");
    const struct {
        double from, to;
        std::int64_t berlinDays, newYorkDays;
    } cases[] = {
        {mon0830utc, mon0830utc, 0, 0},
        // 23:30 UTC Sunday to 08:30 UTC Monday: the same day in Berlin, the next in New York.
        {sun2330utc, mon0830utc, 0, 1},
        {mon0830utc, sun2330utc, 0, -1},
        {mon0830utc, mon0830utc + 7 * 24 * hour, 7, 7},
        // Across Berlin's spring-forward night: 30 March to 1 April is two days.
        {1711796400, 1711796400 + 47 * hour, 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(berlin.dayDifference(c.from, c.to), c.berlinDays) << c.from << " -> " << c.to;
        EXPECT_EQ(newYork.dayDifference(c.from, c.to), c.newYorkDays) << c.from << " -> " << c.to;
    }
}

TEST(Calendar, DateRollsOverOutOfRangeFields) {
    const Calendar utc("UTC", "en_US");
    EXPECT_EQ(utc.date(2024, 2, 30), utc.date(2024, 3, 1));
    EXPECT_EQ(utc.date(2023, 13, 1), utc.date(2024, 1, 1));
    EXPECT_EQ(utc.date(1970, 1, 1), 0.0);
    EXPECT_EQ(utc.date(1969, 12, 31, 23, 59, 59), -1.0);
    const Calendar::Components parts = utc.components(-1.0);
    EXPECT_EQ(parts.year, 1969);
    EXPECT_EQ(parts.second, 59);
}

TEST(Calendar, RefusesWhatItCannotRead) {
    EXPECT_THROW(Calendar("Mars/Olympus_Mons", "en_US"), CalendarError);
    EXPECT_THROW(Calendar("", "en_US"), CalendarError);
    EXPECT_THROW(Calendar("UTC", "en_US", 0), CalendarError);
    EXPECT_THROW(Calendar("UTC", "en_US", 8), CalendarError);
    const Calendar utc("UTC", "en_US");
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(utc.weekday(bad), CalendarError);
        EXPECT_THROW(utc.startOfDay(bad), CalendarError);
        EXPECT_THROW(utc.addingDays(1, bad), CalendarError);
        EXPECT_THROW(utc.dayDifference(0, bad), CalendarError);
    }
    // Far beyond any real date the calendar still answers instead of failing.
    const double farAway = 9.2e15; // seconds, about 290 million years
    EXPECT_GE(utc.weekday(farAway), 1);
    EXPECT_LE(utc.weekday(farAway), 7);
}

TEST(Calendar, EqualByZoneLocaleAndFirstWeekday) {
    EXPECT_EQ(Calendar("Europe/Berlin", "de_DE"), Calendar("Europe/Berlin", "de_DE", 2));
    EXPECT_NE(Calendar("Europe/Berlin", "de_DE"), Calendar("Europe/Berlin", "de_DE", 1));
    EXPECT_NE(Calendar("Europe/Berlin", "de_DE"), Calendar("Europe/Paris", "de_DE"));
    EXPECT_NE(Calendar("Europe/Berlin", "de_DE"), Calendar("Europe/Berlin", "de_AT"));
}

TEST(Calendar, CopiesServeSeveralThreads) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([copy = berlin, &wrong, t] {
            for (int i = 0; i < 500; ++i) {
                const double date = mon0830utc + (t * 500 + i) * 7 * 24 * hour;
                wrong[t] += copy.weekday(date) != 2 || copy.minute(date) != 30;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

} // namespace
} // namespace ostrel
