#include "core/replay/ScoreExport.hpp"

#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr std::int64_t hour = 3600000;
constexpr std::int64_t day = 24 * hour;
constexpr std::int64_t t0 = 1730709000000; // 2024-11-04T08:30:00Z

using test::app;

Replay::EpisodeResult result(std::int64_t start, Trigger::Kind kind,
                             std::optional<std::vector<Item>> predicted, std::vector<Item> broughtUp,
                             const char* series = nullptr) {
    Episode episode{{start, kind}, start, start + hour, {}, {}};
    if (series != nullptr) {
        episode.context.events = {{series, 0, true, "Class", 0, 0, std::nullopt, "School", {}}};
    }
    episode.setup.broughtUp = std::move(broughtUp);
    return {std::move(episode), std::move(predicted)};
}

Routine routine(const std::string& id, TrustLevel trust) {
    return {ContextKey::made(id), {}, 0, 0.5, trust};
}

TEST(ScoreExport, GoldenText) {
    const Replay::Report report{{
        result(t0, Trigger::Kind::wake, std::nullopt, {app("a")}),
        result(t0 + day, Trigger::Kind::unlock, std::vector<Item>{}, {}, "math"),
        result(t0 + day + day / 2, Trigger::Kind::eventStart,
               std::vector<Item>{app("a"), *Item::page("https://x.example/a/b")}, {app("a")}, "math"),
    }};
    const auto scores =
        ScoreExport::make(report,
                          {routine("1", TrustLevel::automate), routine("2", TrustLevel::observe),
                           routine("3", TrustLevel::automate)},
                          "1.2/beta", {{"calendar", true}, {"browser", false}},
                          {1.25, 80.5, std::numeric_limits<double>::infinity()});
    EXPECT_EQ(scores.json(), R"({
  "accuracy" : 0.5,
  "agreed" : 1,
  "budgets" : {
    "cpuPercent" : 1.25,
    "databaseMB" : 0,
    "memoryMB" : 80.5
  },
  "coverage" : 1,
  "days" : 1,
  "episodes" : 3,
  "meanPrecision" : 0.5,
  "meanRecall" : 1,
  "routines" : {
    "automate" : 2,
    "observe" : 1
  },
  "signals" : {
    "browser" : false,
    "calendar" : true
  },
  "suggestions" : 2,
  "triggers" : {
    "event_start" : 1,
    "unlock" : 1,
    "wake" : 1
  },
  "version" : "1.2\/beta"
})");
}

TEST(ScoreExport, AnEmptyReportHasNoScoresAndEmptyObjects) {
    const auto scores = ScoreExport::make({}, {}, "1.0", {}, {});
    EXPECT_EQ(scores.json(), R"({
  "agreed" : 0,
  "budgets" : {
    "cpuPercent" : 0,
    "databaseMB" : 0,
    "memoryMB" : 0
  },
  "days" : 0,
  "episodes" : 0,
  "routines" : {},
  "signals" : {},
  "suggestions" : 0,
  "triggers" : {},
  "version" : "1.0"
})");
}

TEST(ScoreExport, CountsAndMeans) {
    const std::vector<Item> none;
    const struct {
        const char* name;
        std::vector<Replay::EpisodeResult> results;
        std::int64_t days;
        std::int64_t suggestions;
        std::int64_t agreed;
        std::optional<double> meanPrecision;
        std::optional<double> meanRecall;
    } cases[] = {
        {"one episode",
         {result(t0, Trigger::Kind::wake, std::nullopt, {app("a")})},
         0,
         0,
         0,
         std::nullopt,
         std::nullopt},
        {"1.5 days apart, in any order",
         {result(t0 + day + day / 2, Trigger::Kind::wake, std::nullopt, {}),
          result(t0, Trigger::Kind::wake, std::nullopt, {})},
         1,
         0,
         0,
         std::nullopt,
         std::nullopt},
        {"just short of two days",
         {result(t0, Trigger::Kind::wake, std::nullopt, {}),
          result(t0 + 2 * day - 1, Trigger::Kind::wake, std::nullopt, {})},
         1,
         0,
         0,
         std::nullopt,
         std::nullopt},
        {"empty prediction, nothing brought up",
         {result(t0, Trigger::Kind::wake, none, {})},
         0,
         1,
         1,
         std::nullopt,
         std::nullopt},
        {"empty prediction, something brought up",
         {result(t0, Trigger::Kind::wake, none, {app("a")})},
         0,
         1,
         0,
         std::nullopt,
         0.0},
        {"three predicted, two of them and another brought up",
         {result(t0, Trigger::Kind::wake, std::vector{app("a"), app("b"), app("c")},
                 {app("a"), app("b"), app("d")}),
          result(t0, Trigger::Kind::wake, std::vector{app("a"), app("b"), app("c")}, {app("a"), app("b")})},
         0,
         2,
         1,
         2.0 / 3.0,
         (2.0 / 3.0 + 1.0) / 2},
        {"a prediction sharing nothing",
         {result(t0, Trigger::Kind::wake, std::vector{app("a")}, {app("b")})},
         0,
         1,
         0,
         0.0,
         0.0},
    };
    for (const auto& c : cases) {
        const auto scores = ScoreExport::make({c.results}, {}, "v", {}, {});
        EXPECT_EQ(scores.episodes, static_cast<std::int64_t>(c.results.size())) << c.name;
        EXPECT_EQ(scores.days, c.days) << c.name;
        EXPECT_EQ(scores.suggestions, c.suggestions) << c.name;
        EXPECT_EQ(scores.agreed, c.agreed) << c.name;
        EXPECT_EQ(scores.meanPrecision, c.meanPrecision) << c.name;
        EXPECT_EQ(scores.meanRecall, c.meanRecall) << c.name;
        const std::string text = scores.json();
        EXPECT_EQ(text.find("null"), std::string::npos) << c.name;
        EXPECT_EQ(text.find("\"meanPrecision\"") != std::string::npos, c.meanPrecision.has_value()) << c.name;
    }
}

TEST(ScoreExport, ReadsBackWhatItWritesAndNeedsItsRequiredKeys) {
    const Replay::Report report{
        {result(t0, Trigger::Kind::login, std::vector{app("a")}, {app("a")}, "math")}};
    const auto scores = ScoreExport::make(report, {routine("1", TrustLevel::suggest)}, "2.0",
                                          {{"location", true}}, {3, 4, 5});
    EXPECT_EQ(json::decodeRecord<ScoreExport>(scores.json()), scores);

    // Without the optional scores it still reads; without any required key it does not.
    json::Value value = scores.toJSON();
    value.erase("meanRecall");
    EXPECT_EQ(ScoreExport::fromJSON(value).meanRecall, std::nullopt);
    for (const char* key : {"version", "days", "episodes", "triggers", "suggestions", "agreed", "routines",
                            "signals", "budgets"}) {
        json::Value missing = scores.toJSON();
        missing.erase(key);
        EXPECT_THROW(ScoreExport::fromJSON(missing), json::DecodingError) << key;
    }
    json::Value budgets = scores.toJSON();
    budgets["budgets"].erase("memoryMB");
    EXPECT_THROW(ScoreExport::fromJSON(budgets), json::DecodingError);
}

TEST(ScoreExport, BudgetsThatAreNotFiniteAreWrittenAsZero) {
    for (const double bad :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        const auto scores = ScoreExport::make({}, {}, "v", {}, {bad, 12.5, bad});
        const auto written = json::decodeRecord<ScoreExport>(scores.json());
        EXPECT_EQ(written.budgets, (ScoreExport::Budgets{0, 12.5, 0}));
    }
}

} // namespace
} // namespace ostrel
