#include "core/calendar/CalendarEvent.hpp"

#include "core/calendar/CalendarSeries.hpp"

#include <functional>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

CalendarEvent lecture() {
    return {"series-1",       1000,     true,
            "Linear Algebra", 1000,     2000,
            "Hall B",         "School", {"https://a.example/x", "https://b.example/y"}};
}

TEST(CalendarEvent, EqualOnlyWhenEveryFieldIsEqual) {
    const CalendarEvent base = lecture();
    EXPECT_EQ(base, lecture());

    const std::vector<std::pair<const char*, std::function<void(CalendarEvent&)>>> changes = {
        {"key", [](CalendarEvent& e) { e.key = "series-2"; }},
        {"occurrence", [](CalendarEvent& e) { e.occurrence = 999; }},
        {"recurring", [](CalendarEvent& e) { e.recurring = false; }},
        {"title", [](CalendarEvent& e) { e.title = "linear algebra"; }},
        {"start", [](CalendarEvent& e) { e.start = 1001; }},
        {"end", [](CalendarEvent& e) { e.end = 2001; }},
        {"location absent", [](CalendarEvent& e) { e.location.reset(); }},
        {"location", [](CalendarEvent& e) { e.location = "Hall C"; }},
        {"calendar", [](CalendarEvent& e) { e.calendar = "Home"; }},
        {"links reordered", [](CalendarEvent& e) { std::swap(e.links[0], e.links[1]); }},
        {"link dropped", [](CalendarEvent& e) { e.links.pop_back(); }},
    };
    for (const auto& [name, change] : changes) {
        CalendarEvent changed = base;
        change(changed);
        EXPECT_NE(changed, base) << name;
        EXPECT_NE(base, changed) << name;
    }

    CalendarEvent noLocation = base;
    noLocation.location.reset();
    CalendarEvent emptyLocation = base;
    emptyLocation.location = "";
    EXPECT_NE(noLocation, emptyLocation);
    EXPECT_EQ(noLocation, noLocation);
}

TEST(CalendarEvent, TextComparesAsUnicodeText) {
    CalendarEvent composed = lecture();
    composed.title = "Caf\u00E9 talk";
    composed.location = "R\u00E9fectoire";
    CalendarEvent decomposed = lecture();
    decomposed.title = "Cafe\u0301 talk";
    decomposed.location = "Re\u0301fectoire";
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(decomposed.title, "Cafe\u0301 talk"); // equality does not rewrite the stored text
}

TEST(CalendarSeries, EqualOnlyWhenEveryFieldIsEqual) {
    const CalendarSeries series{"series-1", "Linear Algebra", 5000};
    EXPECT_EQ(series, (CalendarSeries{"series-1", "Linear Algebra", 5000}));
    EXPECT_NE(series, (CalendarSeries{"series-1", "Linear Algebra", 5001}));
    EXPECT_NE(series, (CalendarSeries{"series-2", "Linear Algebra", 5000}));
    EXPECT_NE(series, (CalendarSeries{"series-1", "Linear algebra", 5000}));
    EXPECT_EQ((CalendarSeries{"k", "\u00C5", 1}), (CalendarSeries{"k", "A\u030A", 1}));
}

} // namespace
} // namespace ostrel
