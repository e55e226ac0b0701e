#include "core/replay/Replay.hpp"

#include "support/Items.hpp"
#include "support/PlainReplay.hpp"
#include "support/Printers.hpp"
#include "support/RandomHistory.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60000;
constexpr std::int64_t day = 1440 * minute;
constexpr std::int64_t week = 7 * day;

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "de_DE");
    return calendar;
}

// Monday 2024-11-04 09:30 in Berlin.
const std::int64_t monday0930 = static_cast<std::int64_t>(berlin().date(2024, 11, 4, 9, 30) * 1000);

using test::app;
using test::document;
using test::page;

Episode episode(std::int64_t ts, std::vector<Item> broughtUp, Context context = {}) {
    Episode result{Trigger{ts, Trigger::Kind::wake}, ts, ts + 20 * minute, std::move(context), {}};
    result.setup.broughtUp = std::move(broughtUp);
    return result;
}

Context inClass(const std::string& series) {
    Context context;
    context.events = {{series, 0, true, "Class " + series, 0, 0, std::nullopt, "School", {}}};
    return context;
}

TEST(Replay, NoEpisodesNoResults) {
    const auto report = Replay::run({}, {}, berlin());
    EXPECT_TRUE(report.episodes.empty());
    EXPECT_EQ(report.suggestions(), 0);
    EXPECT_EQ(report.coverage(), std::nullopt);
    EXPECT_EQ(report.accuracy(), std::nullopt);
}

TEST(Replay, EpisodesAreReplayedInOrderOfStartAndLearnOnlyFromEarlierOnes) {
    // A class known before its first episode: one episode is enough to suggest it.
    const std::vector<CalendarSeries> series = {{"math", "Math", monday0930 - week}};
    const Episode first = episode(monday0930, {app("calc")}, inClass("math"));
    const Episode second = episode(monday0930 + week, {app("calc"), app("notes")}, inClass("math"));
    Episode sameStart = episode(monday0930 + week, {app("other")});
    sameStart.trigger.ts += minute; // same start, another trigger
    const Episode third = episode(monday0930 + 2 * week, {app("calc")}, inClass("math"));

    const auto report = Replay::run({third, second, sameStart, first}, series, berlin());
    ASSERT_EQ(report.episodes.size(), 4u);
    EXPECT_EQ(report.episodes[0].episode, first);
    EXPECT_EQ(report.episodes[1].episode, second); // equal starts keep their given order
    EXPECT_EQ(report.episodes[2].episode, sameStart);
    EXPECT_EQ(report.episodes[3].episode, third);

    // The first never gets a prediction: there is nothing to learn from.
    EXPECT_EQ(report.episodes[0].predicted, std::nullopt);
    EXPECT_EQ(report.episodes[0].precision(), std::nullopt);
    EXPECT_EQ(report.episodes[0].recall(), std::nullopt);
    EXPECT_FALSE(report.episodes[0].agreed());
    // The second sees only the first. By the third, the second has brought up notes as well and
    // disagrees with calc alone: confidence falls to 2 / 4 and the class is only observed.
    EXPECT_EQ(report.episodes[1].predicted, std::vector<Item>{app("calc")});
    EXPECT_EQ(report.episodes[1].recall(), 0.5);
    EXPECT_EQ(report.episodes[3].predicted, std::nullopt);
    EXPECT_EQ(report, test::plainReplay({third, second, sameStart, first}, series, berlin()));
}

TEST(Replay, AnObservedRoutinePredictsNothingAndLowersOnlyCoverage) {
    // Not on the calendar: a class needs two episodes before it is suggested.
    const std::vector<Episode> episodes = {
        episode(monday0930, {app("calc")}, inClass("math")),
        episode(monday0930 + week, {app("calc")}, inClass("math")),
        episode(monday0930 + 2 * week, {app("calc")}, inClass("math")),
    };
    const auto report = Replay::run(episodes, {}, berlin());
    ASSERT_EQ(report.episodes.size(), 3u);
    EXPECT_EQ(report.episodes[1].predicted, std::nullopt);
    EXPECT_EQ(report.episodes[2].predicted, std::vector<Item>{app("calc")});
    EXPECT_EQ(report.suggestions(), 1);
    EXPECT_EQ(report.coverage(), 0.5);
    EXPECT_EQ(report.accuracy(), 1.0);
}

TEST(Replay, ActualCountsDeeperPagesAsThePredictedPage) {
    const Item p1 = page("https://moodle.example/course/7");
    const Item p2 = page("https://docs.example/sheet");
    const Item d = document("/home/s/essay.txt");
    const struct {
        const char* name;
        std::optional<std::vector<Item>> predicted;
        std::vector<Item> broughtUp;
        std::vector<Item> actual;
        std::optional<double> precision;
        std::optional<double> recall;
        bool agreed;
    } cases[] = {
        {"deeper page and a document",
         std::vector{p1, p2},
         {page("https://moodle.example/course/7/week2"), d},
         {p1, d},
         0.5,
         0.5,
         false}, // Jaccard 1/3
        {"the same items", std::vector{p1, d}, {d, p1}, {d, p1}, 1.0, 1.0, true},
        {"first matching page in predicted order",
         std::vector{p1, page("https://moodle.example/course/7/week2")},
         {page("https://moodle.example/course/7/week2/a")},
         {p1},
         0.5,
         1.0,
         false},
        {"a plain prefix, case-sensitive",
         std::vector{p1},
         {page("https://Moodle.example/course/7/x"), page("https://moodle.example/course/77")},
         {page("https://Moodle.example/course/7/x"), p1},
         1.0,
         0.5,
         false},
        {"duplicates count once",
         std::vector{p1, d},
         {p1, page("https://moodle.example/course/7/a"), d},
         {p1, p1, d},
         1.0,
         1.0,
         true},
        {"an empty prediction, nothing brought up",
         std::vector<Item>{},
         {},
         {},
         std::nullopt,
         std::nullopt,
         true},
        {"an empty prediction, something brought up",
         std::vector<Item>{},
         {d},
         {d},
         std::nullopt,
         0.0,
         false},
        {"no prediction",
         std::nullopt,
         {page("https://moodle.example/course/7/a")},
         {page("https://moodle.example/course/7/a")},
         std::nullopt,
         std::nullopt,
         false},
        {"two of three, agreeing",
         std::vector{app("a"), app("b"), app("c")},
         {app("a"), app("b")},
         {app("a"), app("b")},
         2.0 / 3.0,
         1.0,
         true}, // Jaccard 2/3
        {"two of four, not agreeing",
         std::vector{app("a"), app("b"), app("c")},
         {app("a"), app("b"), app("d")},
         {app("a"), app("b"), app("d")},
         2.0 / 3.0,
         2.0 / 3.0,
         false}, // Jaccard 2/4
    };
    for (const auto& c : cases) {
        Replay::EpisodeResult result{episode(monday0930, c.broughtUp), c.predicted};
        EXPECT_EQ(result.actual(), c.actual) << c.name;
        EXPECT_EQ(result.precision(), c.precision) << c.name;
        EXPECT_EQ(result.recall(), c.recall) << c.name;
        EXPECT_EQ(result.agreed(), c.agreed) << c.name;
    }
}

TEST(Replay, CoverageCountsClassesAlreadySeenAndAccuracyThePredictions) {
    const std::vector<Item> calc = {app("calc")};
    const auto result = [&](const char* series, std::optional<std::vector<Item>> predicted,
                            std::vector<Item> broughtUp = {app("calc")}) {
        return Replay::EpisodeResult{
            episode(monday0930, std::move(broughtUp), series ? inClass(series) : Context{}),
            std::move(predicted)};
    };
    Context twoClasses = inClass("art");
    twoClasses.events.insert(twoClasses.events.begin(),
                             {"once", 0, false, "Talk", 0, 0, std::nullopt, "School", {}});
    twoClasses.events.push_back(inClass("math").events.front());

    const struct {
        const char* name;
        Replay::Report report;
        std::int64_t suggestions;
        std::optional<double> coverage;
        std::optional<double> accuracy;
    } cases[] = {
        {"three of one class, the second predicted",
         {{result("math", std::nullopt), result("math", calc), result("math", std::nullopt)}},
         1,
         0.5,
         1.0},
        {"first episodes of classes are not eligible",
         {{result("math", calc), result("art", calc), result(nullptr, calc, {app("x")})}},
         3,
         std::nullopt,
         2.0 / 3.0},
        {"an episode counts for its first class only",
         {{result("art", std::nullopt),
           Replay::EpisodeResult{episode(monday0930, {}, twoClasses), std::nullopt},
           result("math", std::nullopt)}},
         0,
         0.0,
         std::nullopt},
        {"an empty prediction is a suggestion",
         {{result(nullptr, std::vector<Item>{}, {})}},
         1,
         std::nullopt,
         1.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.report.suggestions(), c.suggestions) << c.name;
        EXPECT_EQ(c.report.coverage(), c.coverage) << c.name;
        EXPECT_EQ(c.report.accuracy(), c.accuracy) << c.name;
    }
}

TEST(Replay, GivesTheSameReportAsRelearningBeforeEveryEpisode) {
    const struct {
        std::size_t episodes;
        double noise;
        double located;
        double misordered;
    } shapes[] = {
        {120, 0.1, 0.5, 0.0},
        {150, 0.3, 0.9, 0.0},
        {150, 0.2, 0.6, 0.2},
        {90, 0.5, 0.2, 0.5},
    };
    const Calendar calendars[] = {berlin(), {"America/New_York", "en_US"}};
    std::uint32_t seed = 1;
    for (const auto& shape : shapes) {
        for (const Calendar& calendar : calendars) {
            const auto history = test::makeRandomHistory(seed, {.episodes = shape.episodes,
                                                                .noise = shape.noise,
                                                                .located = shape.located,
                                                                .misordered = shape.misordered});
            SCOPED_TRACE("seed " + std::to_string(seed) + " in " + calendar.zone());
            const auto fast = Replay::run(history.episodes, history.series, calendar);
            const auto slow = test::plainReplay(history.episodes, history.series, calendar);
            ASSERT_EQ(fast.episodes.size(), slow.episodes.size());
            for (std::size_t i = 0; i < fast.episodes.size(); ++i) {
                ASSERT_EQ(fast.episodes[i], slow.episodes[i]) << "episode " << i;
            }
            // The histories are rich enough that the comparison says something.
            EXPECT_GT(fast.suggestions(), 0);
            ++seed;
        }
    }
}

} // namespace
} // namespace ostrel
