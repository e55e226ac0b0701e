#include "core/learning/RoutineLearner.hpp"

#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60000;
constexpr std::int64_t day = 24 * 60 * minute;
constexpr std::int64_t week = 7 * day;
const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "de_DE");
    return calendar;
}

// Monday 2024-11-04; the clocks stay put for the twelve weeks after it.
const std::int64_t monday0930Berlin = static_cast<std::int64_t>(berlin().date(2024, 11, 4, 9, 30) * 1000);

using test::app;
using test::ids;
using test::keyIds;
using test::page;

CalendarEvent event(std::string key, bool recurring, std::string title) {
    return {std::move(key), 0, recurring, std::move(title), 0, 0, std::nullopt, "School", {}};
}

Episode episode(std::int64_t ts, std::vector<Item> broughtUp, std::vector<Item> carried = {},
                Context context = {}) {
    Episode result{Trigger{ts, Trigger::Kind::wake}, ts, ts + 20 * minute, std::move(context), {}};
    result.setup.broughtUp = std::move(broughtUp);
    result.setup.carried = std::move(carried);
    return result;
}

Context inClass(const std::string& series) {
    Context context;
    context.events = {event(series, true, "Class " + series)};
    return context;
}

TEST(RoutineLearner, NoEpisodesNoRoutines) {
    EXPECT_TRUE(RoutineLearner::routines({}, {CalendarSeries{"s", "S", 0}}, berlin()).empty());
}

TEST(RoutineLearner, SupportCountsEveryEpisodeButOnlyTheEightLatestAreLearned) {
    // Twelve Mondays at 09:30, given newest first: the four oldest brought up the old app, the
    // eight latest the new one.
    std::vector<Episode> episodes;
    for (int i = 11; i >= 0; --i) {
        episodes.push_back(episode(monday0930Berlin + i * week, {app(i < 4 ? "old.app" : "new.app")}));
    }
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    EXPECT_EQ(routines[0].key, ContextKey::slot(2, 19, "unknown"));
    EXPECT_EQ(routines[0].support, 12);
    EXPECT_EQ(ids(routines[0].items), std::vector<std::string>{"app:new.app"});
    EXPECT_EQ(routines[0].confidence, 9.0 / 10.0);
    EXPECT_EQ(routines[0].trust, TrustLevel::suggest);
    EXPECT_EQ(routines[0].edits, RoutineEdits{});
}

TEST(RoutineLearner, OneEpisodeIsEnoughOnlyForAClassKnownBeforeIt) {
    const std::int64_t start = monday0930Berlin;
    const struct {
        const char* name;
        std::optional<Context> context; // none: no class, so a slot key
        std::vector<CalendarSeries> series;
        TrustLevel trust;
    } cases[] = {
        {"slot key", std::nullopt, {}, TrustLevel::observe},
        {"class first seen earlier", inClass("maths"), {{"maths", "Maths", start - 1}}, TrustLevel::suggest},
        {"class first seen at the episode",
         inClass("maths"),
         {{"maths", "Maths", start}},
         TrustLevel::observe},
        {"class first seen later", inClass("maths"), {{"maths", "Maths", start + day}}, TrustLevel::observe},
        {"class missing from the series", inClass("maths"), {{"physics", "Physics", 0}}, TrustLevel::observe},
        {"duplicate series: the earliest sighting counts",
         inClass("maths"),
         {{"maths", "Maths", start + day}, {"maths", "Maths", start - day}, {"maths", "Maths", start}},
         TrustLevel::suggest},
    };
    for (const auto& c : cases) {
        const auto routines = RoutineLearner::routines(
            {episode(start, {app("b.app"), app("a.app")}, {}, c.context.value_or(Context{}))}, c.series,
            berlin());
        ASSERT_EQ(routines.size(), 1u) << c.name;
        EXPECT_EQ(routines[0].key.isEvent(), c.context.has_value()) << c.name;
        EXPECT_EQ(ids(routines[0].items), (std::vector<std::string>{"app:a.app", "app:b.app"})) << c.name;
        EXPECT_EQ(routines[0].support, 1) << c.name;
        EXPECT_EQ(routines[0].confidence, 2.0 / 3.0) << c.name;
        EXPECT_EQ(routines[0].trust, c.trust) << c.name;
    }
}

TEST(RoutineLearner, AnItemMustWeighSixTenthsOfTheLearnedEpisodes) {
    // The weight needed with n learned episodes; weights come in halves (1.0 brought up, 0.5
    // carried), so an item half a point lighter never passes.
    const double needed[] = {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 4.5, 5.0};
    for (int n = 1; n <= 8; ++n) {
        const double weight = needed[n - 1];
        // "hit" weighs exactly the weight needed, "miss" half a point less; "a.pad" fills every episode.
        std::vector<Episode> episodes;
        for (int i = 0; i < n; ++i) {
            episodes.push_back(episode(monday0930Berlin + i * week, {app("a.pad")}));
        }
        const auto give = [&](const Item& item, double total) {
            int i = 0;
            for (; total >= 1.0; total -= 1.0) {
                episodes[i++].setup.broughtUp.push_back(item);
            }
            if (total > 0) {
                episodes[i].setup.carried.push_back(item);
            }
        };
        give(app("hit"), weight);
        give(app("miss"), weight - 0.5);
        const auto routines = RoutineLearner::routines(episodes, {}, berlin());
        ASSERT_EQ(routines.size(), 1u);
        EXPECT_EQ(ids(routines[0].items), (std::vector<std::string>{"app:a.pad", "app:hit"})) << "n = " << n;
    }
}

TEST(RoutineLearner, FiveEpisodesThreeBroughtUpFiveCarried) {
    std::vector<Episode> episodes;
    for (int i = 0; i < 5; ++i) {
        episodes.push_back(episode(monday0930Berlin + i * week,
                                   i < 3 ? std::vector{app("a.app")} : std::vector<Item>{},
                                   {app("carried.app")}));
    }
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    EXPECT_EQ(ids(routines[0].items), std::vector<std::string>{"app:a.app"});
    // The three that brought up the app agree; the two that brought up nothing do not.
    EXPECT_EQ(routines[0].confidence, 4.0 / 7.0);
    EXPECT_EQ(routines[0].trust, TrustLevel::observe);
}

TEST(RoutineLearner, ConfidenceCountsAgreeingEpisodes) {
    // The fewest agreeing episodes, of n learned, that reach confidence 0.6.
    const int fewest[] = {1, 2, 2, 3, 4, 4, 5, 5};
    for (int n = 1; n <= 8; ++n) {
        // A single learned episode always agrees: everything it brought up is an item.
        for (int agreeing = n == 1 ? 1 : 0; agreeing <= n; ++agreeing) {
            // Every episode brings up the app, so it is the one item; the disagreeing ones bring
            // up two more things (similarity 1/3).
            std::vector<Episode> episodes;
            for (int i = 0; i < n; ++i) {
                std::vector<Item> broughtUp = {app("a.app")};
                if (i >= agreeing) {
                    broughtUp.push_back(app("x" + std::to_string(i)));
                    broughtUp.push_back(app("y" + std::to_string(i)));
                }
                episodes.push_back(episode(monday0930Berlin + i * week, broughtUp, {}, inClass("maths")));
            }
            const auto routines =
                RoutineLearner::routines(episodes, {{"maths", "Maths", monday0930Berlin - day}}, berlin());
            ASSERT_EQ(routines.size(), 1u);
            const std::string where = "n = " + std::to_string(n) + ", agreeing = " + std::to_string(agreeing);
            EXPECT_EQ(ids(routines[0].items), std::vector<std::string>{"app:a.app"}) << where;
            EXPECT_EQ(routines[0].confidence, (agreeing + 1.0) / (n + 2.0)) << where;
            EXPECT_EQ(routines[0].trust,
                      agreeing >= fewest[n - 1] ? TrustLevel::suggest : TrustLevel::observe)
                << where;
        }
    }
}

TEST(RoutineLearner, AgreementIsJudgedOnBroughtUpItemsOnly) {
    // Items {a, b}; the second episode brought up a, b and c (2/3 ≥ 0.6: agrees), the third brought
    // up only a and carried b (1/2: does not).
    const std::vector<Episode> episodes = {
        episode(monday0930Berlin, {app("a"), app("b")}),
        episode(monday0930Berlin + week, {app("a"), app("b"), app("c")}),
        episode(monday0930Berlin + 2 * week, {app("a")}, {app("b")}),
    };
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    EXPECT_EQ(ids(routines[0].items), (std::vector<std::string>{"app:a", "app:b"}));
    EXPECT_EQ(routines[0].confidence, 3.0 / 5.0);
    EXPECT_EQ(routines[0].trust, TrustLevel::suggest);
}

TEST(RoutineLearner, EqualWeightsComeOutInIdOrder) {
    const std::vector<Episode> episodes = {
        episode(monday0930Berlin,
                {page("https://z.example/"), *Item::note("com.apple.Notes", "Lab"),
                 *Item::document("/tmp/essay.txt"), app("org.zotero"), app("com.apple.Safari")},
                {app("com.apple.Safari")})};
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    // Safari weighs 1.5 and leads; the rest weigh 1.0 each and follow by id.
    EXPECT_EQ(ids(routines[0].items),
              (std::vector<std::string>{"app:com.apple.Safari", "app:org.zotero", "document:/tmp/essay.txt",
                                        "note:com.apple.Notes:Lab", "page:https://z.example/"}));
}

TEST(RoutineLearner, AnEpisodeThatBroughtUpNothingAgreesWithAnEmptyRoutine) {
    const auto routines =
        RoutineLearner::routines({episode(monday0930Berlin, {}, {app("only.carried")})}, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    EXPECT_TRUE(routines[0].items.empty());
    EXPECT_EQ(routines[0].confidence, 2.0 / 3.0);
}

TEST(RoutineLearner, PagesOfOneSiteMeetAtTheirStablePage) {
    const std::string base = "https://canvas.example.edu/courses/12345";
    const std::vector<Episode> episodes = {
        episode(monday0930Berlin, {page(base + "/assignments/1?x=1")}),
        episode(monday0930Berlin + week, {page(base + "/modules"), page(base + "/grades")},
                {page(base + "/files")}),
        // Carried pages are mapped as well, but do not vote for the stable page.
        episode(monday0930Berlin + 2 * week, {page(base + "/grades"), page("https://other.example/a")},
                {page(base + "/syllabus"), page("https://carried.example/x")}),
    };
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    ASSERT_EQ(routines.size(), 1u);
    // The stable page weighs 1.0 + 1.5 + 1.5 (two visits of one episode count once per list).
    EXPECT_EQ(ids(routines[0].items), std::vector<std::string>{"page:" + base + "/"});
    EXPECT_EQ(routines[0].confidence, 3.0 / 5.0); // the third episode's other page halves its match
}

TEST(RoutineLearner, RoutinesBySupportThenKeyId) {
    Context quiz;
    quiz.events = {event("q1", false, "Quiz")};
    std::vector<Episode> episodes;
    // Title "quiz" twice, slot Monday 09:30 twice, class "maths" twice, slot Tuesday 09:30 three times.
    episodes.push_back(episode(monday0930Berlin + 5 * week, {app("q")}, {}, quiz));
    episodes.push_back(episode(monday0930Berlin, {app("s")}));
    episodes.push_back(episode(monday0930Berlin + 6 * week, {app("q")}, {}, quiz));
    episodes.push_back(episode(monday0930Berlin + week, {app("s")}));
    for (int i = 0; i < 3; ++i) {
        episodes.push_back(episode(monday0930Berlin + day + i * week, {app("t")}));
    }
    episodes.push_back(episode(monday0930Berlin + 2 * day, {app("m")}, {}, inClass("maths")));
    episodes.push_back(episode(monday0930Berlin + 3 * day, {app("m")}, {}, inClass("maths")));
    const auto routines = RoutineLearner::routines(episodes, {}, berlin());
    EXPECT_EQ(keyIds(routines), (std::vector<std::string>{"slot:3:19:unknown", "event:maths",
                                                          "slot:2:19:unknown", "title:quiz"}));
    for (const Routine& routine : routines) {
        EXPECT_NE(routine.trust, TrustLevel::automate);
    }
}

} // namespace
} // namespace ostrel
