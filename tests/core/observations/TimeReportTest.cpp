#include "core/observations/TimeReport.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "support/Printers.hpp"

#include <cmath>
#include <limits>
#include <numeric>

#include <gtest/gtest.h>

namespace ostrel {

namespace {

using Usage = TimeReport::Usage;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;
constexpr std::int64_t day = 24 * hour;
constexpr std::int64_t monday = 1'709'510'400'000; // 2024-03-04 00:00 UTC
constexpr std::int64_t noon = monday + 12 * hour;

const Calendar& utc() {
    static const Calendar calendar("UTC", "en_US");
    return calendar;
}

std::int64_t local(const Calendar& calendar, int year, int month, int dayOfMonth, int hourOfDay = 0,
                   int minuteOfHour = 0) {
    return static_cast<std::int64_t>(
        std::llround(calendar.date(year, month, dayOfMonth, hourOfDay, minuteOfHour) * 1000));
}

SignalObservation at(std::int64_t ts, const Signal& signal, std::string payload = "{}") {
    return {ts, signal, std::move(payload)};
}

SignalObservation activate(std::int64_t ts, std::optional<std::string> bundleID) {
    const AppPayload payload =
        bundleID ? AppPayload(bundleID, std::nullopt, std::nullopt, std::nullopt) : AppPayload::excludedApp;
    return {ts, Signal::appActivate, json::encodeRecord(payload)};
}

SignalObservation tab(std::int64_t ts, std::optional<std::string> site) {
    const TabPayload payload =
        site ? TabPayload{site, std::nullopt, std::nullopt} : TabPayload{std::nullopt, std::nullopt, true};
    return {ts, Signal::browserTab, json::encodeRecord(payload)};
}

SignalObservation run(std::int64_t ts, RunPayload payload) {
    return {ts, Signal::quevRun, json::encodeRecord(payload)};
}

SignalObservation undo(std::int64_t ts, std::string id) {
    return {ts, Signal::quevUndo, json::encodeRecord(UndoPayload{std::move(id)})};
}

CalendarEvent event(std::string title, std::int64_t start, std::int64_t end) {
    CalendarEvent result;
    result.key = title;
    result.title = std::move(title);
    result.start = start;
    result.end = end;
    return result;
}

TimeReport report(const std::vector<SignalObservation>& observations, std::int64_t from, std::int64_t to,
                  const std::vector<CalendarEvent>& events = {}, const Calendar& calendar = utc()) {
    return TimeReport(observations, from, to, events, calendar);
}

std::int64_t sum(const std::vector<std::int64_t>& values) {
    return std::accumulate(values.begin(), values.end(), std::int64_t{0});
}

TEST(TimeReport, WithoutObservationsEverythingIsZeroWithOneEntryPerDay) {
    const struct {
        std::int64_t from, to;
        std::size_t days;
    } cases[] = {
        {noon, noon + hour, 1},
        {monday, monday + day, 1},            // the span's last millisecond is still Monday
        {monday, monday + day + 1, 2},        // one millisecond of Tuesday
        {noon, noon + 7 * day + 6 * hour, 8}, // a week from noon ends on the eighth day
        {noon, noon, 1},                      // empty span
        {noon, noon - 3 * day, 1},            // inverted span
    };
    for (const auto& c : cases) {
        const TimeReport result = report({}, c.from, c.to);
        EXPECT_EQ(result.days, std::vector<std::int64_t>(c.days, 0)) << c.from << " " << c.to;
        EXPECT_EQ(result.hours, std::vector<std::int64_t>(24, 0));
        EXPECT_EQ(result.active, 0);
        EXPECT_TRUE(result.apps.empty() && result.sites.empty() && result.classes.empty());
        EXPECT_EQ(result.saved, 0);
        EXPECT_EQ(result.runs, 0);
    }
}

TEST(TimeReport, GapsCountOnlyWhenShortAndActiveAtTheirStart) {
    const Signal other("wifi");
    const struct {
        const char* name;
        std::vector<SignalObservation> observations;
        std::int64_t to; // from is always noon
        std::int64_t active;
    } cases[] = {
        {"nothing before the first observation",
         {at(noon + 10 * minute, other)},
         noon + 20 * minute,
         10 * minute},
        {"a gap from before the span counts from its start",
         {at(noon - 2 * hour, other), at(noon + 30 * minute, other)},
         noon + 30 * minute + 1,
         30 * minute + 1},
        {"a gap too long counts nothing, not even its part in the span",
         {at(noon - 3 * hour, other), at(noon + 30 * minute, other)},
         noon + 30 * minute + 1,
         1},
        {"three hours exactly",
         {at(noon, other), at(noon + 3 * hour, other)},
         noon + 3 * hour + 1,
         3 * hour + 1},
        {"a millisecond more", {at(noon, other), at(noon + 3 * hour + 1, other)}, noon + 3 * hour + 2, 1},
        {"the tail to the end of the span", {at(noon, other)}, noon + 3 * hour, 3 * hour},
        {"a tail too long", {at(noon, other)}, noon + 3 * hour + 1, 0},
        {"asleep until after the wake",
         {at(noon, other), at(noon + 10 * minute, Signal::sleep), at(noon + 60 * minute, Signal::wake),
          at(noon + 70 * minute, other)},
         noon + 80 * minute,
         30 * minute},
        {"locked",
         {at(noon, Signal::lock), at(noon + 10 * minute, Signal::unlock)},
         noon + 20 * minute,
         10 * minute},
        {"idle until active",
         {at(noon, other), at(noon + 5 * minute, Signal::userIdle),
          at(noon + 50 * minute, Signal::userActive)},
         noon + 60 * minute,
         15 * minute},
        {"a gap that ends at the program's start",
         {at(noon, other), at(noon + 10 * minute, Signal::quevStart)},
         noon + 20 * minute,
         10 * minute},
        {"the program's start wakes, unlocks and ends idling",
         {at(noon, Signal::sleep), at(noon + 1, Signal::lock), at(noon + 2, Signal::userIdle),
          at(noon + 10 * minute, Signal::quevStart)},
         noon + 20 * minute,
         10 * minute},
        {"observations at or after the end are ignored",
         {at(noon, other), at(noon + 10 * minute, Signal::quevStart),
          at(noon + 10 * minute + 1, Signal::sleep)},
         noon + 10 * minute,
         10 * minute},
        {"given out of order",
         {at(noon + 10 * minute, Signal::sleep), at(noon, other)},
         noon + 20 * minute,
         10 * minute},
        {"an inverted span", {at(noon - hour, other)}, noon - 30 * minute, 0},
    };
    for (const auto& c : cases) {
        const TimeReport result = report(c.observations, noon, c.to);
        EXPECT_EQ(result.active, c.active) << c.name;
        EXPECT_EQ(sum(result.hours), c.active) << c.name;
        EXPECT_EQ(sum(result.days), c.active) << c.name;
    }
}

TEST(TimeReport, TimeGoesToTheFrontAppAndItsLastSite) {
    const std::string browser = "org.example.browser";
    const std::string editor = "org.example.editor";
    const struct {
        const char* name;
        std::vector<SignalObservation> observations;
        std::vector<Usage> apps;
        std::vector<Usage> sites;
    } cases[] = {
        {"the browser's sites, then an excluded one",
         {activate(noon, browser), tab(noon + 1 * minute, "wiki.example"),
          tab(noon + 4 * minute, std::nullopt)},
         {{browser, 10 * minute}},
         {{"wiki.example", 3 * minute}}},
        {"each app keeps its last site",
         {activate(noon, browser), tab(noon, "wiki.example"), activate(noon + 2 * minute, editor),
          activate(noon + 5 * minute, browser)},
         {{browser, 7 * minute}, {editor, 3 * minute}},
         {{"wiki.example", 7 * minute}}},
        {"a tab with no front app changes nothing",
         {tab(noon, "wiki.example"), activate(noon + 4 * minute, browser)},
         {{browser, 6 * minute}},
         {}},
        {"an excluded app is no front app",
         {activate(noon, browser), tab(noon, "wiki.example"), activate(noon + 4 * minute, std::nullopt)},
         {{browser, 4 * minute}},
         {{"wiki.example", 4 * minute}}},
        {"a running-apps snapshot names the front app when it knows it",
         {at(noon, Signal::appsRunning, R"({"apps":[],"front":"org.example.editor"})"),
          at(noon + 3 * minute, Signal::appsRunning, R"({"apps":[]})"),
          at(noon + 4 * minute, Signal::appsRunning, R"({"front":7})")},
         {{editor, 10 * minute}},
         {}},
        {"an activation that does not decode leaves no front app",
         {activate(noon, editor), at(noon + 5 * minute, Signal::appActivate, R"({"bundleID":5})")},
         {{editor, 5 * minute}},
         {}},
        {"canonically equal identifiers are one app",
         {activate(noon, "caf\u00e9.app"), activate(noon + 4 * minute, "cafe\u0301.app")},
         {{"caf\u00e9.app", 10 * minute}},
         {}},
        {"equal times rank by key",
         {activate(noon, "b.app"), activate(noon + 2 * minute, "c.app"), activate(noon + 4 * minute, "a.app"),
          activate(noon + 6 * minute, "b.app"), activate(noon + 8 * minute, "a.app")},
         {{"a.app", 4 * minute}, {"b.app", 4 * minute}, {"c.app", 2 * minute}},
         {}},
    };
    for (const auto& c : cases) {
        const TimeReport result = report(c.observations, noon, noon + 10 * minute);
        EXPECT_EQ(result.active, 10 * minute) << c.name;
        EXPECT_EQ(result.apps, c.apps) << c.name;
        EXPECT_EQ(result.sites, c.sites) << c.name;
    }
}

// The report reads plain payloads in place and leaves every other to the full decoder; either way
// a payload must give what decoding it as its record gives.
TEST(TimeReport, PayloadsReadAsTheirRecordsDecode) {
    const std::string base = "org.example.base";
    const auto then = [&](const Signal& signal, std::string payload) {
        return std::vector<SignalObservation>{activate(noon, base), at(noon + 5 * minute, signal, std::move(payload))};
    };
    struct Case {
        std::string name;
        std::vector<SignalObservation> observations;
        std::vector<Usage> apps;
        std::vector<Usage> sites;
    };
    const std::vector<Usage> baseAlone{{base, 10 * minute}};
    const std::vector<Usage> baseThenA{{"a.app", 5 * minute}, {base, 5 * minute}}; // equal times rank by key
    const std::vector<Usage> baseThenNone{{base, 5 * minute}};
    const std::vector<Case> cases{
        {"a plain activation", then(Signal::appActivate, R"({"bundleID":"a.app","name":"A"})"), baseThenA, {}},
        {"an escaped identifier", then(Signal::appActivate, R"({"bundleID":"a\u002eapp"})"), baseThenA, {}},
        {"whitespace", then(Signal::appActivate, R"( { "bundleID" : "a.app" } )"), baseThenA, {}},
        {"a non-ASCII identifier", then(Signal::appActivate, "{\"bundleID\":\"\u00e9.app\"}"),
         {{base, 5 * minute}, {"\u00e9.app", 5 * minute}}, {}},
        {"an unread key holding numbers", then(Signal::appActivate, R"({"bundleID":"a.app","x":{"n":[1,2.5]}})"),
         baseThenA, {}},
        {"a repeated key: the last one counts",
         then(Signal::appActivate, R"({"bundleID":"b.app","bundleID":"a.app"})"), baseThenA, {}},
        {"a null identifier", then(Signal::appActivate, R"({"bundleID":null,"name":"A"})"), baseThenNone, {}},
        {"a number where a name belongs", then(Signal::appActivate, R"({"bundleID":"a.app","name":5})"),
         baseThenNone, {}},
        {"a number where a flag belongs", then(Signal::appActivate, R"({"bundleID":"a.app","hidden":1})"),
         baseThenNone, {}},
        {"a text where a flag belongs", then(Signal::appActivate, R"({"bundleID":"a.app","excluded":"no"})"),
         baseThenNone, {}},
        {"an array", then(Signal::appActivate, R"(["a.app"])"), baseThenNone, {}},
        {"cut short", then(Signal::appActivate, R"({"bundleID":"a.app")"), baseThenNone, {}},
        {"a control character in a text", then(Signal::appActivate, "{\"bundleID\":\"a\x01.app\"}"), baseThenNone,
         {}},
        {"a snapshot with its apps", then(Signal::appsRunning, R"({"apps":[{"hidden":true},{"name":"N"}],"front":"a.app"})"),
         baseThenA, {}},
        {"a snapshot with a malformed app", then(Signal::appsRunning, R"({"apps":[{"bundleID":7}],"front":"a.app"})"),
         baseAlone, {}},
        {"a snapshot whose apps are no array", then(Signal::appsRunning, R"({"apps":{},"front":"a.app"})"),
         baseAlone, {}},
        {"a snapshot with an app that is no object", then(Signal::appsRunning, R"({"apps":[[]],"front":"a.app"})"),
         baseAlone, {}},
        {"a tab with its address", then(Signal::browserTab, R"({"site":"s.example","url":"https://s.example/a"})"),
         baseAlone, {{"s.example", 5 * minute}}},
        {"a tab with an escaped slash", then(Signal::browserTab, R"({"site":"s.example\/x"})"), baseAlone,
         {{"s.example/x", 5 * minute}}},
        {"a tab with a malformed flag", then(Signal::browserTab, R"({"site":"s.example","excluded":"no"})"),
         baseAlone, {}},
    };
    for (const auto& c : cases) {
        const TimeReport result = report(c.observations, noon, noon + 10 * minute);
        EXPECT_EQ(result.apps, c.apps) << c.name;
        EXPECT_EQ(result.sites, c.sites) << c.name;
    }
}

TEST(TimeReport, ClassesGetTheirOverlapWithActiveTime) {
    const std::vector<SignalObservation> observations{at(noon, Signal::wake), at(noon + hour, Signal::sleep),
                                                      at(noon + 2 * hour, Signal::wake)};
    const std::vector<CalendarEvent> events{
        event("Physics", noon - hour, noon + 30 * minute),
        event("Lab", noon + 20 * minute, noon + 3 * hour), // asleep from 13:00 to 14:00
        event("Physics", noon + 2 * hour + 50 * minute, noon + 5 * hour),
        event("Before", noon - 2 * hour, noon),
        event("Inverted", noon + 40 * minute, noon + 10 * minute),
    };
    const TimeReport result = report(observations, noon, noon + 3 * hour, events);
    EXPECT_EQ(result.active, 2 * hour);
    EXPECT_EQ(result.classes, (std::vector<Usage>{{"Lab", 100 * minute}, {"Physics", 40 * minute}}));
}

TEST(TimeReport, ActiveTimeSplitsOverClockHoursAndDays) {
    const struct {
        const char* name;
        std::int64_t first, second; // the two observations; the span ends at second
        std::vector<std::pair<int, std::int64_t>> hours;
        std::vector<std::int64_t> days;
    } cases[] = {
        {"10:50 to 11:10",
         monday + 10 * hour + 50 * minute,
         monday + 11 * hour + 10 * minute,
         {{10, 10 * minute}, {11, 10 * minute}},
         {20 * minute}},
        {"across midnight",
         monday + 23 * hour + 50 * minute,
         monday + day + 10 * minute,
         {{23, 10 * minute}, {0, 10 * minute}},
         {10 * minute, 10 * minute}},
        {"three whole hours",
         monday + 9 * hour,
         monday + 12 * hour,
         {{9, hour}, {10, hour}, {11, hour}},
         {3 * hour}},
    };
    for (const auto& c : cases) {
        const TimeReport result = report({at(c.first, Signal::wake)}, monday, c.second);
        std::vector<std::int64_t> hours(24, 0);
        for (const auto& [index, ms] : c.hours) {
            hours[static_cast<std::size_t>(index)] = ms;
        }
        EXPECT_EQ(result.hours, hours) << c.name;
        EXPECT_EQ(result.days, c.days) << c.name;
    }
}

// A day of observations every 20 minutes in zones whose clocks change that day: the walk over the
// hours must end, credit nothing negative, and put each local hour's time where the clock shows it.
TEST(TimeReport, DaysWithClockChangesAddUp) {
    const struct {
        const char* zone;
        int year, month, dayOfMonth;
        std::int64_t length;                                // of the local day
        std::vector<std::pair<int, std::int64_t>> oddHours; // the others hold an hour each
    } cases[] = {
        {"Europe/Berlin", 2024, 3, 31, 23 * hour, {{2, 0}}},
        {"Europe/Berlin", 2024, 10, 27, 25 * hour, {{2, 2 * hour}}},
        {"America/New_York", 2024, 11, 3, 25 * hour, {{1, 2 * hour}}},
        {"Australia/Lord_Howe", 2024, 4, 7, 24 * hour + 30 * minute, {{1, 90 * minute}}},
        {"Australia/Lord_Howe", 2024, 10, 6, 23 * hour + 30 * minute, {{2, 30 * minute}}},
        {"Europe/Berlin", 2024, 5, 5, 24 * hour, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.month) + "/" +
                     std::to_string(c.dayOfMonth));
        const Calendar calendar(c.zone, "en_US");
        const std::int64_t from = local(calendar, c.year, c.month, c.dayOfMonth);
        const std::int64_t to = local(calendar, c.year, c.month, c.dayOfMonth + 1);
        ASSERT_EQ(to - from, c.length);
        // The days before and after are in the span too, and the observations begin before it.
        const std::int64_t spanFrom = local(calendar, c.year, c.month, c.dayOfMonth - 1);
        const std::int64_t spanTo = local(calendar, c.year, c.month, c.dayOfMonth + 2);
        ASSERT_EQ(spanTo - spanFrom, c.length + 2 * day);
        std::vector<SignalObservation> observations;
        for (std::int64_t ts = spanFrom - 13 * minute; ts < spanTo; ts += 20 * minute) {
            observations.push_back(at(ts, Signal::wake));
        }
        const TimeReport result = report(observations, spanFrom, spanTo, {}, calendar);
        EXPECT_EQ(result.active, c.length + 2 * day);
        ASSERT_EQ(result.days.size(), 3u);
        EXPECT_EQ(result.days[0], day);
        EXPECT_EQ(result.days[1], c.length);
        EXPECT_EQ(result.days[2], day);
        std::vector<std::int64_t> hours(24, 3 * hour);
        for (const auto& [index, ms] : c.oddHours) {
            hours[static_cast<std::size_t>(index)] = 2 * hour + ms;
        }
        EXPECT_EQ(result.hours, hours);
    }
}

// One gap over the change itself: the pieces after it begin in an hour the clock repeats or enters
// half-way, and still each ends after it begins.
TEST(TimeReport, AGapOverAClockChangeGoesToTheHoursTheClockShowed) {
    const struct {
        const char* zone;
        std::int64_t from; // the only observation; the span ends at from + length
        std::int64_t length;
        std::vector<std::pair<int, std::int64_t>> hours;
    } cases[] = {
        // 01:30 summer time to 03:30 winter time: hour 2 happens twice.
        {"Europe/Berlin", 1'729'985'400'000, 3 * hour, {{1, 30 * minute}, {2, 2 * hour}, {3, 30 * minute}}},
        // 01:20 to 02:10 with half an hour of 01:30 to 02:00 repeated.
        {"Australia/Lord_Howe", 1'712'413'200'000, 80 * minute, {{1, 70 * minute}, {2, 10 * minute}}},
        // 01:30 to 03:30 with 02:00 to 02:30 skipped.
        {"Australia/Lord_Howe",
         1'728'140'400'000,
         90 * minute,
         {{1, 30 * minute}, {2, 30 * minute}, {3, 30 * minute}}},
    };
    for (const auto& c : cases) {
        const Calendar calendar(c.zone, "en_US");
        const TimeReport result = report({at(c.from, Signal::wake)}, c.from, c.from + c.length, {}, calendar);
        std::vector<std::int64_t> hours(24, 0);
        for (const auto& [index, ms] : c.hours) {
            hours[static_cast<std::size_t>(index)] = ms;
        }
        EXPECT_EQ(result.active, c.length) << c.zone;
        EXPECT_EQ(result.hours, hours) << c.zone;
        EXPECT_EQ(result.days, std::vector<std::int64_t>{c.length}) << c.zone;
    }
}

TEST(TimeReport, SetupsRunInTheSpanAndNotUndoneCountWithWhatTheySaved) {
    RunPayload full{"R1", "made:x", {"app:a", "app:b", "page:https://x.example/"}, false};
    full.arranged = 1;
    full.hid = 2;
    full.muted = true;
    const RunPayload bare{"R2", "made:y", {}, true};
    RunPayload documents{"R3", "made:z", {"document:/tmp/a", "note:notes:Physics"}, true};
    documents.muted = false;
    RunPayload absurd{"R4", "made:w", {"app:a"}, true};
    absurd.hid = -3;
    absurd.arranged = std::numeric_limits<std::int64_t>::max();

    const struct {
        const char* name;
        std::vector<SignalObservation> observations;
        std::int64_t saved;
        std::int64_t runs;
    } cases[] = {
        {"every part of a run", {run(noon, full)}, 32'000, 1},
        {"undone in the span", {run(noon, full), undo(noon + minute, "R1")}, 0, 0},
        {"undone after the span", {run(noon, full), undo(noon + hour, "R1")}, 32'000, 1},
        {"an undo listed before its run", {undo(noon - 1, "R1"), run(noon, full), undo(noon, "R1")}, 0, 0},
        {"undoing another run", {run(noon, full), undo(noon, "R2")}, 32'000, 1},
        {"tidying up is no undo",
         {run(noon, full), at(noon, Signal::quevTidy, R"({"run":"R1"})")},
         32'000,
         1},
        {"run before the span", {run(noon - 1, full)}, 0, 0},
        {"a run without items still counts", {run(noon, bare)}, 0, 1},
        {"documents and notes", {run(noon, documents), run(noon + 1, bare)}, 16'000, 2},
        {"a run that does not decode", {at(noon, Signal::quevRun, R"({"run":"R9"})")}, 0, 0},
        {"absurd counts neither overflow nor subtract",
         {run(noon, absurd)},
         std::numeric_limits<std::int64_t>::max(),
         1},
    };
    for (const auto& c : cases) {
        const TimeReport result = report(c.observations, noon, noon + 30 * minute);
        EXPECT_EQ(result.saved, c.saved) << c.name;
        EXPECT_EQ(result.runs, c.runs) << c.name;
    }
}

TEST(TimeReport, StoredTimesAtTheEndsOfTheRangeNeitherOverflowNorLoop) {
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    const std::vector<CalendarEvent> events{event("Forever", lowest, highest)};
    const struct {
        std::vector<SignalObservation> observations;
        std::int64_t from, to, active;
    } cases[] = {
        {{at(lowest, Signal::wake), at(lowest + 5, Signal::wake)}, lowest, lowest + 10, 10},
        {{at(highest - 10, Signal::wake), at(highest - 5, Signal::wake)}, highest - 20, highest, 10},
    };
    for (const auto& c : cases) {
        const TimeReport result =
            report(c.observations, c.from, c.to, events, Calendar("Europe/Berlin", "en_US"));
        EXPECT_EQ(result.active, c.active) << c.from;
        EXPECT_EQ(sum(result.hours), c.active) << c.from;
        EXPECT_EQ(result.classes, (std::vector<Usage>{{"Forever", c.active}})) << c.from;
    }
}

TEST(TimeReport, EncodesWithTheFieldNames) {
    const TimeReport result = report({activate(noon, "a.app"), tab(noon, "x.example")}, noon, noon + minute,
                                     {event("Lab", noon, noon + hour)});
    std::string hours = "[0,0,0,0,0,0,0,0,0,0,0,0,60000,0,0,0,0,0,0,0,0,0,0,0]";
    EXPECT_EQ(json::encodeRecord(result),
              R"({"active":60000,"apps":[{"key":"a.app","ms":60000}],"classes":[{"key":"Lab","ms":60000}],)"
              R"("days":[60000],"hours":)" +
                  hours + R"(,"runs":0,"saved":0,"sites":[{"key":"x.example","ms":60000}]})");
}

} // namespace
} // namespace ostrel
