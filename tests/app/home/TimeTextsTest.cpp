// The time page's words and measures: amounts, bar sizes, labels and the window's first day.

#include "app/home/TimeLoader.hpp"
#include "app/home/TimeTexts.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel {
namespace {

const Calendar berlin("Europe/Berlin", "en_US");

TEST(TimeTexts, DayAmountsRoundMinutesThenWriteHoursWithOneDecimal) {
    const struct {
        std::int64_t ms;
        std::string amount;
    } cases[] = {
        {-60'000, ""},      // nothing below 1 ms
        {0, ""},
        {1, "0m"},
        {29'999, "0m"},
        {30'000, "1m"},
        {2'700'000, "45m"},
        {3'540'000, "59m"},
        {3'570'000, "1h"},   // 59.5 minutes round up to the hour
        {3'600'000, "1h"},
        {3'660'000, "1h"},   // 61 minutes: 1.0h without its ".0"
        {4'500'000, "1.2h"}, // 75 minutes: 1.25 is exact, and a tie goes to the even digit
        {5'400'000, "1.5h"},
        {5'670'000, "1.6h"}, // 94.5 minutes round to 95 first
        {7'200'000, "2h"},
        {8'100'000, "2.2h"}, // 135 minutes: 2.25, the even digit again
        {13'500'000, "3.8h"}, // 225 minutes: 3.75, to the even digit upward
        {45'000'000, "12.5h"},
        {360'000'000, "100h"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimeTexts::dayAmount(c.ms), c.amount) << c.ms;
    }
}

TEST(TimeTexts, TheSavedLineCountsSetups) {
    const struct {
        std::int64_t runs;
        std::int64_t saved;
        std::string line;
    } cases[] = {
        {0, 0, "Ostrel hasn't set anything up for you yet"},
        {0, 600'000, "Ostrel hasn't set anything up for you yet"},
        {1, 600'000, "Ostrel saved you about 10 min with 1 setup"},
        {2, 90'000, "Ostrel saved you about 2 min with 2 setups"},
        {3, 1'500'000, "Ostrel saved you about 25 min with 3 setups"},
        {12, 3'900'000, "Ostrel saved you about 1 h 5 min with 12 setups"},
    };
    for (const auto& c : cases) {
        TimeReport report;
        report.runs = c.runs;
        report.saved = c.saved;
        EXPECT_EQ(TimeTexts::savedLine(report), c.line);
    }
    EXPECT_EQ(TimeTexts::bigNumber(std::nullopt), "\u2026");
    EXPECT_EQ(TimeTexts::bigNumber(TimeReport()), "0 min");
    TimeReport busy;
    busy.active = 360'000'000;
    EXPECT_EQ(TimeTexts::bigNumber(busy), "100 h");
    EXPECT_EQ(TimeTexts::caption(TimeSpan::today), "on your Mac today");
    EXPECT_EQ(TimeTexts::caption(TimeSpan::week), "this week");
    EXPECT_EQ(TimeTexts::label(TimeSpan::today), "Today");
    EXPECT_EQ(TimeTexts::label(TimeSpan::week), "This week");
}

TEST(TimeTexts, BarsHaveTheirMinimumAndTheirScale) {
    const struct {
        std::int64_t ms;
        double height;
    } hours[] = {{0, 4}, {1, 4}, {160'000, 4}, {200'000, 5}, {1'800'000, 45}, {3'600'000, 90}, {7'200'000, 180}};
    for (const auto& c : hours) {
        EXPECT_DOUBLE_EQ(TimeTexts::hourBarHeight(c.ms), c.height) << c.ms;
    }

    const std::vector<std::int64_t> none;
    const std::vector<std::int64_t> idle(7, 0);
    const std::vector<std::int64_t> week{5, 9, 3};
    EXPECT_EQ(TimeTexts::dayPeak(none), 1);
    EXPECT_EQ(TimeTexts::dayPeak(idle), 1);
    EXPECT_EQ(TimeTexts::dayPeak(week), 9);
    EXPECT_DOUBLE_EQ(TimeTexts::dayBarHeight(0, 1), 4);
    EXPECT_DOUBLE_EQ(TimeTexts::dayBarHeight(9, 9), 100);
    EXPECT_DOUBLE_EQ(TimeTexts::dayBarHeight(36'000'000, 72'000'000), 50);
    EXPECT_DOUBLE_EQ(TimeTexts::dayBarHeight(1, 72'000'000), 4);

    const std::vector<TimeReport::Usage> idleApps{{"a", 0}, {"b", 0}};
    const std::vector<TimeReport::Usage> apps{{"a", 600'000}, {"b", 300'000}, {"c", 1}};
    EXPECT_EQ(TimeTexts::usagePeak(idleApps), 1);
    EXPECT_EQ(TimeTexts::usagePeak({}), 1);
    EXPECT_EQ(TimeTexts::usagePeak(apps), 600'000);
    EXPECT_DOUBLE_EQ(TimeTexts::usageBarWidth(650, 0, 1), 4);
    EXPECT_DOUBLE_EQ(TimeTexts::usageBarWidth(650, 600'000, 600'000), 650);
    EXPECT_DOUBLE_EQ(TimeTexts::usageBarWidth(650, 300'000, 600'000), 325);
    EXPECT_DOUBLE_EQ(TimeTexts::usageBarWidth(650, 1, 600'000), 4);
}

TEST(TimeTexts, TheHourChartShowsTwentyHoursAndLabelsFour) {
    EXPECT_EQ(TimeTexts::shownHours.front(), 6);
    EXPECT_EQ(TimeTexts::shownHours[17], 23);
    EXPECT_EQ(TimeTexts::shownHours[18], 0);
    EXPECT_EQ(TimeTexts::shownHours.back(), 1);
    for (const int hidden : {2, 3, 4, 5}) {
        EXPECT_EQ(std::count(TimeTexts::shownHours.begin(), TimeTexts::shownHours.end(), hidden), 0);
    }
    std::vector<int> labelled;
    std::copy_if(TimeTexts::shownHours.begin(), TimeTexts::shownHours.end(), std::back_inserter(labelled),
                 TimeTexts::hourLabelled);
    EXPECT_EQ(labelled, (std::vector<int>{6, 12, 18, 0}));

    const Calendar german("Europe/Berlin", "de_DE");
    const Calendar british("Europe/London", "en_GB");
    const struct {
        int hour;
        std::string american, german, british;
    } cases[] = {
        {6, "6\u202FAM", "06 Uhr", "06"},
        {12, "12\u202FPM", "12 Uhr", "12"},
        {18, "6\u202FPM", "18 Uhr", "18"},
        {0, "12\u202FAM", "00 Uhr", "00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimeTexts::hourLabel(c.hour, berlin), c.american) << c.hour;
        EXPECT_EQ(TimeTexts::hourLabel(c.hour, german), c.german) << c.hour;
        EXPECT_EQ(TimeTexts::hourLabel(c.hour, british), c.british) << c.hour;
    }
    EXPECT_EQ(TimeTexts::hourHelp(18, 3'900'000, berlin), "6\u202FPM: 1 h 5 min");
    EXPECT_EQ(TimeTexts::hourHelp(7, 0, berlin), "7\u202FAM: 0 min");
}

TEST(TimeTexts, DayLabelsCountCalendarDaysFromTheFirst) {
    // Monday 23 March 2026; the clocks go forward on the Sunday.
    const Date monday = berlin.date(2026, 3, 23);
    std::vector<std::string> week;
    for (int i = 0; i < 7; ++i) {
        week.push_back(TimeTexts::dayLabel(monday, i, berlin));
    }
    EXPECT_EQ(week, (std::vector<std::string>{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}));
    EXPECT_EQ(TimeTexts::dayLabel(monday, 7, berlin), "Mon");
    EXPECT_EQ(TimeTexts::dayLabel(monday, 0, Calendar("Europe/Berlin", "de_DE")), "Mo.");
}

TEST(TimeTexts, TheListsShowTheirFirstEntries) {
    std::vector<TimeReport::Usage> ten;
    for (int i = 0; i < 10; ++i) {
        ten.push_back({"app" + std::to_string(i), 1000 - i});
    }
    const std::vector<TimeReport::Usage> seven(ten.begin(), ten.begin() + 7);
    const std::vector<TimeReport::Usage> two(ten.begin(), ten.begin() + 2);
    EXPECT_EQ(TimeTexts::firstOf(ten, TimeTexts::appsShown), std::vector(ten.begin(), ten.begin() + 8));
    EXPECT_EQ(TimeTexts::firstOf(seven, TimeTexts::sitesShown), std::vector(ten.begin(), ten.begin() + 6));
    EXPECT_EQ(TimeTexts::firstOf(two, TimeTexts::classesShown), two);
    EXPECT_TRUE(TimeTexts::firstOf({}, TimeTexts::appsShown).empty());
}

TEST(TimeTexts, TheWindowStartsAtMidnightByCalendarDays) {
    const struct {
        const char* name;
        Date now;
        TimeSpan span;
        Date start;
    } cases[] = {
        {"today", berlin.date(2026, 4, 1, 15, 30), TimeSpan::today, berlin.date(2026, 4, 1)},
        {"today, just after midnight", berlin.date(2026, 4, 1, 0, 0, 1), TimeSpan::today, berlin.date(2026, 4, 1)},
        {"a week across the spring change", berlin.date(2026, 4, 1, 15, 30), TimeSpan::week, berlin.date(2026, 3, 26)},
        {"a week across the autumn change", berlin.date(2026, 10, 28, 9, 0), TimeSpan::week,
         berlin.date(2026, 10, 22)},
        {"a week within summer time", berlin.date(2026, 7, 10, 23, 59), TimeSpan::week, berlin.date(2026, 7, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Date start = TimeLoader::windowStart(c.span, c.now, berlin);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(berlin.hour(start), 0);
        EXPECT_EQ(berlin.minute(start), 0);
    }
    // Six days of 86,400 s back from the spring Wednesday would land an hour before midnight.
    const Date today = berlin.date(2026, 4, 1);
    EXPECT_NE(TimeLoader::windowStart(TimeSpan::week, today + 3600, berlin), today - 6 * 86'400.0);
    EXPECT_EQ(berlin.hour(today - 6 * 86'400.0), 23);
}

} // namespace
} // namespace ostrel
