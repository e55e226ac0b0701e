#include "core/routines/Cue.hpp"

#include "support/Printers.hpp"

#include <limits>
#include <string>
#include <unordered_set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Cue, EveryCaseWritesItsOneMemberAndReadsBack) {
    const struct {
        Cue cue;
        const char* json;
    } cases[] = {
        {{Cue::Event{"series/1"}}, R"({"event":{"_0":"series/1"}})"},
        {{Cue::Time{{2, 4}, 540}}, R"({"time":{"minute":540,"weekdays":[2,4]}})"},
        {{Cue::Time{{}, 0}}, R"({"time":{"minute":0,"weekdays":[]}})"},
        {{Cue::WiFi{"0123456789abcdef", "Campus"}},
         R"({"wifi":{"name":"Campus","network":"0123456789abcdef"}})"},
        {{Cue::Display{"37D8832A-2D66", "Studio Display"}},
         R"({"display":{"name":"Studio Display","uuid":"37D8832A-2D66"}})"},
        {{Cue::AudioDevice{"BuiltInHeadphones", "Headphones"}},
         R"({"audioDevice":{"name":"Headphones","uid":"BuiltInHeadphones"}})"},
        {{Cue::App{"com.apple.Notes"}}, R"({"app":{"_0":"com.apple.Notes"}})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(json::encodeRecord(c.cue), c.json);
        EXPECT_EQ(json::decodeRecord<Cue>(c.json), c.cue);
    }
}

TEST(Cue, ReadsTheOneCaseAmongOtherMembersAndIgnoresExtraValues) {
    const struct {
        const char* json;
        Cue cue;
    } cases[] = {
        {R"({"note":"x","app":{"_0":"com.apple.Notes"}})", {Cue::App{"com.apple.Notes"}}},
        {R"({"time":{"weekdays":[7,1],"minute":1439,"zone":"UTC"}})", {Cue::Time{{7, 1}, 1439}}},
        {R"({"wifi":{"network":"ab","name":"","_1":true}})", {Cue::WiFi{"ab", ""}}},
        {R"({"time":{"weekdays":[2.0],"minute":480.0}})", {Cue::Time{{2}, 480}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(json::decodeRecord<Cue>(c.json), c.cue);
    }
}

TEST(Cue, RefusesAnythingButOneCaseWithItsValues) {
    const struct {
        const char* json;
        const char* message; // the end of the error's text
    } cases[] = {
        {R"({"time":{"weekdays":[2],"minute":480},"app":{"_0":"com.apple.Notes"}})",
         "Invalid number of keys found, expected one."},
        {R"({})", "Invalid number of keys found, expected one."},
        {R"({"App":{"_0":"com.apple.Notes"}})", "Invalid number of keys found, expected one."},
        {R"({"app":null,"event":{"_0":"k"}})", "Invalid number of keys found, expected one."},
        {R"({"app":null})", "expected an object, found null"},
        {R"({"app":"com.apple.Notes"})", "expected an object, found a string"},
        {R"({"app":{}})", "missing key \"_0\""},
        {R"({"time":{"weekdays":[2]}})", "missing key \"minute\""},
        {R"({"time":{"weekdays":["2"],"minute":480}})", "expected an integer, found a string"},
        {R"({"time":{"weekdays":[2],"minute":480.5}})", "is not an integer"},
        {R"({"wifi":{"network":"ab"}})", "missing key \"name\""},
        {R"({"display":{"uuid":1,"name":"x"}})", "expected a string, found a number"},
        {R"(["app"])", "expected an object, found an array"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        try {
            json::decodeRecord<Cue>(c.json);
            ADD_FAILURE() << "decoded";
        } catch (const json::DecodingError& error) {
            EXPECT_TRUE(std::string(error.what()).ends_with(c.message)) << error.what();
        }
    }
}

TEST(Cue, EqualOnlyWithTheSameCaseAndEveryValueAndHashesAlikeWhenEqual) {
    const Cue composed{Cue::WiFi{"ab", "Caf\u00E9"}};
    const Cue decomposed{Cue::WiFi{"ab", "Cafe\u0301"}};
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(composed.hash(), decomposed.hash());

    const struct {
        Cue a;
        Cue b;
    } unequal[] = {
        {{Cue::Time{{2, 4}, 540}}, {Cue::Time{{4, 2}, 540}}},
        {{Cue::Time{{2}, 540}}, {Cue::Time{{2}, 541}}},
        {{Cue::WiFi{"ab", "Campus"}}, {Cue::WiFi{"ab", "Library"}}},
        {{Cue::Display{"x", "n"}}, {Cue::AudioDevice{"x", "n"}}},
        {{Cue::Event{"com.apple.Notes"}}, {Cue::App{"com.apple.Notes"}}},
    };
    for (const auto& c : unequal) {
        EXPECT_NE(c.a, c.b) << json::encodeRecord(c.a);
    }

    const std::unordered_set<Cue> set = {
        composed, decomposed, {Cue::Time{{2, 4}, 540}}, {Cue::Time{{4, 2}, 540}}};
    EXPECT_EQ(set.size(), 3u);
}

TEST(Cue, TimeMomentIsTheWallClockOfTheDay) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    // The clocks go from 02:00 to 03:00 on 2024-03-31 and from 03:00 back to 02:00 on 2024-10-27.
    const struct {
        const char* name;
        std::int64_t minute;
        Date day; // any instant of the day
        std::optional<Date> moment;
    } cases[] = {
        {"ordinary day", 540, berlin.date(2024, 3, 4, 23, 59), berlin.date(2024, 3, 4, 9, 0)},
        {"spring day", 480, berlin.date(2024, 3, 31, 12, 0), berlin.date(2024, 3, 31, 8, 0)},
        {"autumn day", 480, berlin.date(2024, 10, 27, 0, 0), berlin.date(2024, 10, 27, 8, 0)},
        {"skipped time moves on by the gap", 150, berlin.date(2024, 3, 31), berlin.date(2024, 3, 31, 3, 30)},
        {"past the day's end", 24 * 60 + 5, berlin.date(2024, 3, 4), berlin.date(2024, 3, 5, 0, 5)},
        {"before the day's start", -5, berlin.date(2024, 3, 4), berlin.date(2024, 3, 3, 23, 55)},
        {"too far", std::numeric_limits<std::int64_t>::max(), berlin.date(2024, 3, 4), std::nullopt},
        {"too far back", std::numeric_limits<std::int64_t>::min(), berlin.date(2024, 3, 4), std::nullopt},
        {"too far back, hours times 60 past int64", -9223372036854775805, berlin.date(2024, 3, 4), std::nullopt},
    };
    ASSERT_EQ(berlin.date(2024, 3, 31, 8, 0) - berlin.startOfDay(berlin.date(2024, 3, 31, 12, 0)),
              7 * 3600.0);
    for (const auto& c : cases) {
        EXPECT_EQ((Cue::Time{{1}, c.minute}.moment(c.day, berlin)), c.moment) << c.name;
    }
}

TEST(Cue, NextIsTheFirstDueInstantStrictlyLater) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    const Cue mondayNine{Cue::Time{{2}, 540}};
    // 2024-03-04 is a Monday; the clocks go forward on Sunday 2024-03-31 and back on 2024-10-27.
    const struct {
        const char* name;
        Cue cue;
        Date after;
        std::optional<Date> next;
    } cases[] = {
        {"a minute before", mondayNine, berlin.date(2024, 3, 4, 8, 59), berlin.date(2024, 3, 4, 9, 0)},
        {"exactly at it", mondayNine, berlin.date(2024, 3, 4, 9, 0), berlin.date(2024, 3, 11, 9, 0)},
        {"just after", mondayNine, berlin.date(2024, 3, 4, 9, 0) + 0.001, berlin.date(2024, 3, 11, 9, 0)},
        {"the day before", mondayNine, berlin.date(2024, 3, 3, 23, 0), berlin.date(2024, 3, 4, 9, 0)},
        {"next listed weekday",
         {Cue::Time{{4, 2}, 540}},
         berlin.date(2024, 3, 4, 10, 0),
         berlin.date(2024, 3, 6, 9, 0)},
        {"spring day keeps the wall clock",
         {Cue::Time{{1}, 540}},
         berlin.date(2024, 3, 31, 0, 30),
         berlin.date(2024, 3, 31, 9, 0)},
        {"autumn day keeps the wall clock",
         {Cue::Time{{1}, 540}},
         berlin.date(2024, 10, 27, 0, 30),
         berlin.date(2024, 10, 27, 9, 0)},
        {"a skipped time moves on by the gap",
         {Cue::Time{{1}, 150}},
         berlin.date(2024, 3, 31, 0, 30),
         berlin.date(2024, 3, 31, 3, 30)},
        {"the week after a clock change",
         {Cue::Time{{1}, 540}},
         berlin.date(2024, 3, 31, 9, 0),
         berlin.date(2024, 4, 7, 9, 0)},
        {"no weekdays", {Cue::Time{{}, 540}}, berlin.date(2024, 3, 4, 8, 0), std::nullopt},
        {"no such weekday", {Cue::Time{{0, 8}, 540}}, berlin.date(2024, 3, 4, 8, 0), std::nullopt},
        {"not a time cue", {Cue::App{"com.apple.Notes"}}, berlin.date(2024, 3, 4, 8, 0), std::nullopt},
        {"not a date", mondayNine, std::numeric_limits<double>::quiet_NaN(), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cue.next(c.after, berlin), c.next) << c.name;
    }
    // Spring day: eight hours of wall clock are seven elapsed hours after the day's start.
    const Date spring = *Cue{Cue::Time{{1}, 480}}.next(berlin.date(2024, 3, 31, 0, 30), berlin);
    EXPECT_EQ(berlin.hour(spring), 8);
    EXPECT_EQ(spring - berlin.startOfDay(spring), 7 * 3600.0);
}

} // namespace
} // namespace ostrel
