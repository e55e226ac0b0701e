#include "core/episodes/TriggerDetector.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "support/Printers.hpp"

#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;
using Observations = std::vector<SignalObservation>;
using Triggers = std::vector<Trigger>;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

SignalObservation wake(std::int64_t ts) {
    return {ts, Signal::wake, "{}"};
}
SignalObservation unlock(std::int64_t ts) {
    return {ts, Signal::unlock, "{}"};
}
SignalObservation start(std::int64_t ts, std::optional<std::int64_t> login) {
    return {ts, Signal::quevStart, json::encodeRecord(OstrelStartPayload(100, "1.0", login))};
}
SignalObservation event(std::int64_t ts, std::int64_t start, std::int64_t idle = 0, bool locked = false,
                        std::string key = "maths") {
    return {ts, Signal::eventStart,
            json::encodeRecord(EventStartPayload{std::move(key), 1, start, idle, locked})};
}

struct Case {
    const char* name;
    Observations observations;
    Triggers expected;
    std::int64_t from = int64Min;
    std::int64_t to = int64Max;
};

void expectTriggers(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(TriggerDetector::triggers(c.observations, c.from, c.to), c.expected) << c.name;
        // The order the observations come in does not matter beyond equal timestamps.
        Observations reversed = c.observations;
        std::stable_sort(reversed.begin(), reversed.end(),
                         [](const SignalObservation& a, const SignalObservation& b) { return a.ts > b.ts; });
        EXPECT_EQ(TriggerDetector::triggers(reversed, c.from, c.to), c.expected) << c.name << " (reversed)";
    }
}

TEST(TriggerDetector, ArrivalsMergeWithinAMinuteOfTheLastKeptOne) {
    expectTriggers({
        {"nothing", {}, {}},
        {"other signals only",
         {{0, Signal::lock, "{}"}, {5, Signal::appLaunch, "{}"}, {9, Signal::sleep, "{}"}},
         {}},
        {"unlock 59,999 ms after a wake", {wake(0), unlock(59'999)}, {{0, Kind::wake}}},
        {"unlock a minute after a wake",
         {wake(0), unlock(minute)},
         {{0, Kind::wake}, {minute, Kind::unlock}}},
        {"a dropped unlock does not restart the window",
         {wake(0), unlock(50'000), unlock(70'000)},
         {{0, Kind::wake}, {70'000, Kind::unlock}}},
        {"merging ignores kinds", {unlock(0), start(30'000, 0), wake(40'000)}, {{0, Kind::unlock}}},
        {"arrivals far apart",
         {wake(0), wake(10 * minute), unlock(20 * minute)},
         {{0, Kind::wake}, {10 * minute, Kind::wake}, {20 * minute, Kind::unlock}}},
        {"timestamps at both ends of int64",
         {wake(int64Min), unlock(int64Max - 1)},
         {{int64Min, Kind::wake}, {int64Max - 1, Kind::unlock}}},
    });
}

TEST(TriggerDetector, AStartIsALoginOnlyWithinThreeMinutesAfterTheLogin) {
    const std::int64_t ts = 10'000'000;
    expectTriggers({
        {"login three minutes before", {start(ts, ts - 180'000)}, {{ts, Kind::login}}},
        {"login at the start", {start(ts, ts)}, {{ts, Kind::login}}},
        {"login a millisecond too early", {start(ts, ts - 180'001)}, {}},
        {"login after the start", {start(ts, ts + 1)}, {}},
        {"login unknown", {start(ts, std::nullopt)}, {}},
        {"payload not JSON", {{ts, Signal::quevStart, "{uptime"}}, {}},
        {"payload without a version", {{ts, Signal::quevStart, R"({"uptime":1,"login":10000000})"}}, {}},
        {"login at the far past", {start(ts, int64Min)}, {}},
        {"login at the far future", {start(-ts, int64Max)}, {}},
        {"a wake merges with a login", {start(ts, ts - 1000), wake(ts + 59'999)}, {{ts, Kind::login}}},
    });
}

TEST(TriggerDetector, EventStartsCountOnlyWhileTheUserIsThereAndOnTime) {
    const std::int64_t s = 100 * minute; // the event's scheduled start
    expectTriggers({
        {"idle exactly the limit", {event(s, s, 300)}, {{s, Kind::eventStart}}},
        {"idle past the limit", {event(s, s, 301)}, {}},
        {"screen locked", {event(s, s, 0, true)}, {}},
        {"observed exactly five minutes late", {event(s + 300'000, s)}, {{s + 300'000, Kind::eventStart}}},
        {"observed too late", {event(s + 300'001, s)}, {}},
        {"observed before the start", {event(s - 5 * minute, s)}, {{s - 5 * minute, Kind::eventStart}}},
        {"payload missing a key",
         {{s, Signal::eventStart, R"({"event":"e","start":1,"idle":0,"locked":false})"}},
         {}},
        {"start at the far past", {event(s, int64Min)}, {}},
        {"two events half a minute apart",
         {event(s, s, 0, false, "maths"), event(s + 30'000, s + 30'000, 0, false, "art")},
         {{s, Kind::eventStart}}},
        {"a skipped event start does not hold back the next",
         {event(s, s, 900), event(s + 30'000, s + 30'000)},
         {{s + 30'000, Kind::eventStart}}},
        {"two events a minute apart",
         {event(s, s), event(s + minute, s + minute)},
         {{s, Kind::eventStart}, {s + minute, Kind::eventStart}}},
    });
}

TEST(TriggerDetector, AnArrivalShortlyBeforeAnEventCoversIt) {
    const std::int64_t s = 100 * minute;
    expectTriggers({
        {"arrival fifteen minutes before", {wake(s - 900'000), event(s, s)}, {{s - 900'000, Kind::wake}}},
        {"arrival a millisecond earlier",
         {wake(s - 900'001), event(s, s)},
         {{s - 900'001, Kind::wake}, {s, Kind::eventStart}}},
        {"arrival after the start, at the observation",
         {event(s + 10'000, s), unlock(s + 10'000)},
         {{s + 10'000, Kind::unlock}}},
        {"arrival a millisecond after the observation",
         {event(s, s), unlock(s + 1)},
         {{s, Kind::eventStart}, {s + 1, Kind::unlock}}},
        {"a merged-away arrival covers nothing",
         {wake(0), unlock(30'000), event(31'000, 30'000 + 900'000)},
         {{0, Kind::wake}, {31'000, Kind::eventStart}}},
        {"same moment, event far ahead: both, the arrival first",
         {event(s, s + 900'001), wake(s)},
         {{s, Kind::wake}, {s, Kind::eventStart}}},
        {"event start a minute after an uncovering arrival is not merged with it",
         {wake(s), event(s + 30'000, s + 30 * minute)},
         {{s, Kind::wake}, {s + 30'000, Kind::eventStart}}},
        {"far-future start is not covered",
         {wake(-5), event(0, int64Max)},
         {{-5, Kind::wake}, {0, Kind::eventStart}}},
    });
}

TEST(TriggerDetector, OnlyTriggersInTheRangeAreGivenButEarlierOnesStillMergeAndCover) {
    const std::int64_t from = 1'000'000;
    const std::int64_t to = 2'000'000;
    expectTriggers({
        {"wake at from", {wake(from)}, {{from, Kind::wake}}, from, to},
        {"wake at to", {wake(to)}, {}, from, to},
        {"wake just before to", {wake(to - 1)}, {{to - 1, Kind::wake}}, from, to},
        {"unlock merged into a wake before from", {wake(from - 30'000), unlock(from + 10'000)}, {}, from, to},
        {"event covered by an arrival before from",
         {wake(from - 60'000), event(from + 5000, from + 5000)},
         {},
         from,
         to},
        {"event merged into one before from",
         {event(from - 20'000, from - 20'000), event(from + 20'000, from)},
         {},
         from,
         to},
        {"empty range", {wake(from)}, {}, from, from},
    });
}

} // namespace
} // namespace ostrel
