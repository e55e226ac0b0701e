#include "core/learning/Prediction.hpp"

#include "core/learning/Planner.hpp"
#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::app;
using test::page;

CalendarEvent recurring(std::string key, std::string title, std::vector<std::string> links = {}) {
    return {std::move(key), 0, true, std::move(title), 0, 0, std::nullopt, "School", std::move(links)};
}
CalendarEvent oneOff(std::string title, std::vector<std::string> links = {}) {
    return {"one-off-key", 0, false, std::move(title), 0, 0, std::nullopt, "School", std::move(links)};
}

Routine learned(ContextKey key, std::vector<Item> items, int support = 3, double confidence = 0.75,
                TrustLevel trust = TrustLevel::suggest) {
    return {std::move(key), std::move(items), support, confidence, trust};
}

TEST(Prediction, KindsAreTheTwentySixClassWords) {
    EXPECT_EQ(Prediction::kinds().size(), 26u);
    for (const char* word : {"lecture", "lab", "recit", "office", "hours", "in", "person", "the", "sec"}) {
        EXPECT_TRUE(Prediction::kinds().contains(word)) << word;
    }
    EXPECT_FALSE(Prediction::kinds().contains("Lecture"));
    EXPECT_FALSE(Prediction::kinds().contains("to"));
}

TEST(Prediction, SubjectOfATitle) {
    const struct {
        const char* title;
        std::optional<std::string> subject;
    } cases[] = {
        {"Lab", std::nullopt},
        {"The Lecture", std::nullopt},
        {"Office Hours", std::nullopt},
        {"", std::nullopt},
        {"--- / ---", std::nullopt},
        {"BIO-101/Lab", "bio 101"},
        {"Physics 1A in person", "physics 1a"},
        {"Intro to Data Science Studio 2", "intro to data science 2"},
        {"CS 101 Lecture", "cs 101"},
        {"BIO 110 Lecture Section 002", "bio 110"},
        {"Calculus II Recitation", "calculus ii"},
        // The first word with a number ends the subject, wherever later numbers stand.
        {"Chem 1 Lab 2", "chem 1"},
        {"Lab: Organic Chem 2 Part 3", "organic chem 2"},
        // Kind words only count as whole words.
        {"Labyrinths of Rome", "labyrinths of rome"},
        // Letters and numbers beyond ASCII: an accent written as a combining mark stays in its word,
        // full-width digits and numerals count as numbers.
        {"Straße\xC2\xB7Kunde 3", "straße kunde 3"},
        {"Cafe\xCC\x81 Culture 101", "cafe\xCC\x81 culture 101"},
        {"MATH \xEF\xBC\x91\xEF\xBC\x90 Extra", "math \xEF\xBC\x91\xEF\xBC\x90"},
        {"History \xE2\x85\xAB Seminar", "history \xE2\x85\xBB"}, // lower-casing turns XII into xii
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Prediction::subject(c.title), c.subject) << c.title;
    }
}

TEST(Prediction, KeyOfAnEvent) {
    EXPECT_EQ(Prediction::key(recurring("series-1", "CS 101")), ContextKey::event("series-1"));
    EXPECT_EQ(Prediction::key(oneOff("Linear Algebra 2 Review")), ContextKey::title("linear algebra review"));
}

TEST(Prediction, ARecitationBorrowsFromItsLecture) {
    const std::vector<CalendarSeries> series = {{"lec", "CS 180 Lecture", 0},
                                                {"rec", "CS 180 Recitation", 0}};
    const std::vector<Routine> routines = {learned(ContextKey::event("lec"), {app("ide"), app("notes")})};

    const auto predicted = Prediction::routine(recurring("rec", "CS 180 Recitation"), routines, series);
    ASSERT_TRUE(predicted.has_value());
    EXPECT_EQ(*predicted,
              (Routine{ContextKey::event("rec"), {app("ide"), app("notes")}, 0, 0.5, TrustLevel::suggest}));

    // The lecture itself finds its own routine but never borrows from its own series.
    const auto lecture = Prediction::routine(recurring("lec", "CS 180 Lecture"), routines, series);
    ASSERT_TRUE(lecture.has_value());
    EXPECT_EQ(lecture->items, (std::vector<Item>{app("ide"), app("notes")}));
    EXPECT_EQ(lecture->support, 3);
    EXPECT_EQ(lecture->confidence, 0.75);
}

TEST(Prediction, WhoBorrowsFromWhom) {
    const std::vector<CalendarSeries> series = {
        {"lec", "Bio 2 Lecture", 0},
        {"lab", "BIO-2/Lab", 0},
        {"lab", "Chemistry Lab", 0}, // a repeated key keeps its first title
        {"other", "Physics 2", 0},
    };
    const std::vector<Routine> routines = {
        learned(ContextKey::event("lec"), {app("lec.app")}, 2),
        learned(ContextKey::event("lab"), {app("lab.app")}, 5),
        learned(ContextKey::event("other"), {app("physics.app")}, 9),
        learned(ContextKey::event("unlisted"), {app("unlisted.app")}, 9), // its series is unknown
        learned(ContextKey::title("bio lecture"), {app("title.app")}, 9), // not a series
        learned(ContextKey::slot(2, 19, "unknown"), {app("slot.app")}, 9),
    };
    const struct {
        const char* label;
        CalendarEvent event;
        std::vector<Item> items;
    } cases[] = {
        // A one-off event borrows from every series of its subject, larger support first.
        {"one-off", oneOff("Bio 2 Review Section"), {app("lab.app"), app("lec.app")}},
        // A series borrows from its siblings only, after its own routine.
        {"lab", recurring("lab", "BIO-2/Lab"), {app("lab.app"), app("lec.app")}},
        {"lecture", recurring("lec", "Bio 2 Lecture"), {app("lec.app"), app("lab.app")}},
        // The one-off's own title routine comes first, then its siblings.
        {"titled one-off", oneOff("Bio 2 Lecture"), {app("title.app"), app("lab.app"), app("lec.app")}},
    };
    for (const auto& c : cases) {
        const auto predicted = Prediction::routine(c.event, routines, series);
        ASSERT_TRUE(predicted.has_value()) << c.label;
        EXPECT_EQ(predicted->items, c.items) << c.label;
        EXPECT_EQ(predicted->key, Prediction::key(c.event)) << c.label;
    }
}

TEST(Prediction, EqualSupportKeepsTheLearnedOrder) {
    const std::vector<CalendarSeries> series = {{"b", "Art 5 Studio", 0}, {"a", "Art 5 Lecture", 0}};
    const std::vector<Routine> routines = {learned(ContextKey::event("b"), {app("b.app")}, 4),
                                           learned(ContextKey::event("a"), {app("a.app")}, 4)};
    const auto predicted = Prediction::routine(oneOff("Art 5"), routines, series);
    ASSERT_TRUE(predicted.has_value());
    EXPECT_EQ(predicted->items, (std::vector<Item>{app("b.app"), app("a.app")}));
}

TEST(Prediction, NothingToOfferOrOnlyLinks) {
    const std::vector<CalendarSeries> series = {{"math", "Math 3", 0}};
    const std::vector<Routine> routines = {learned(ContextKey::event("math"), {app("math.app")})};

    EXPECT_EQ(Prediction::routine(recurring("hist", "History 3"), routines, series), std::nullopt);
    // Without a subject nothing is borrowed, however the series are titled.
    EXPECT_EQ(Prediction::routine(oneOff("Lab"), {learned(ContextKey::event("lab"), {app("x")})},
                                  {{"lab", "Lab", 0}}),
              std::nullopt);
    // A link that is no page item is left out.
    EXPECT_EQ(Prediction::routine(oneOff("History 3", {""}), routines, series), std::nullopt);

    const auto linked = Prediction::routine(
        oneOff("History 3", {"https://a.example/x", "https://b.example/"}), routines, series);
    ASSERT_TRUE(linked.has_value());
    EXPECT_EQ(*linked, (Routine{ContextKey::title("history"),
                                {page("https://a.example/x"), page("https://b.example/")},
                                0,
                                0.5,
                                TrustLevel::suggest}));
}

TEST(Prediction, OwnThenBorrowedThenLinksCappedAtSix) {
    const std::vector<CalendarSeries> series = {{"lec", "Econ 1 Lecture", 0}, {"sec", "Econ 1 Section", 0}};
    const std::vector<Routine> routines = {
        learned(ContextKey::event("sec"), {app("own1"), app("own2"), page("https://shared.example/")}, 1, 0.2,
                TrustLevel::observe),
        learned(ContextKey::event("lec"),
                {app("own2"), app("lec1"), page("https://shared.example/"), app("lec2")}, 6),
    };
    const CalendarEvent event =
        recurring("sec", "Econ 1 Section",
                  {"https://shared.example/", "https://link1.example/", "https://link2.example/",
                   "https://link3.example/", "https://link4.example/"});
    const auto predicted = Prediction::routine(event, routines, series);
    ASSERT_TRUE(predicted.has_value());
    // Nine distinct items; a link equal to a borrowed page stays where the routine put it.
    EXPECT_EQ(predicted->items,
              (std::vector<Item>{app("own1"), app("own2"), page("https://shared.example/"), app("lec1"),
                                 app("lec2"), page("https://link1.example/")}));
    // The own routine's numbers, but always offered.
    EXPECT_EQ(predicted->support, 1);
    EXPECT_EQ(predicted->confidence, 0.2);
    EXPECT_EQ(predicted->trust, TrustLevel::suggest);
    EXPECT_EQ(predicted->edits, RoutineEdits());
}

TEST(Prediction, TheTitleAKeyNames) {
    const std::vector<CalendarEvent> events = {
        oneOff("Linear Algebra 2 Review"),
        {"series", 0, false, "Not the series", 0, 0, std::nullopt, "School", {}},
        recurring("series", "Physics 7"),
        recurring("series", "Physics 7 (moved)"),
    };
    const struct {
        ContextKey key;
        std::optional<std::string> name;
    } cases[] = {
        {ContextKey::event("series"), "Physics 7"}, // the one-off with the same key text is no match
        {ContextKey::title("linear algebra review"), "Linear Algebra 2 Review"},
        {ContextKey::title("physics"), std::nullopt}, // recurring events are never named by title
        {ContextKey::event("one-off-key"), std::nullopt},
        {ContextKey::slot(2, 19, "unknown"), std::nullopt},
        {ContextKey::made("physics 7"), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Prediction::name(c.key, events), c.name) << c.key.id();
    }
    EXPECT_EQ(Prediction::name(ContextKey::event("series"), {}), std::nullopt);
}

TEST(PlannerGuess, OffersTheFirstPredictionNotAlreadyOpen) {
    const std::vector<Item> five = {app("a"), app("b"), app("c"), app("d"), app("e")};
    const std::vector<CalendarSeries> series = {{"first", "Geo 1", 0}, {"second", "Art 2", 0}};
    const std::vector<Routine> routines = {learned(ContextKey::event("first"), five),
                                           learned(ContextKey::event("second"), {app("art")})};
    Context context;
    context.events = {oneOff("Lab"), recurring("first", "Geo 1"), recurring("second", "Art 2")};

    // Three of five open (0.6): worth offering.
    const auto offered = Planner::guess(context, {app("a"), app("b"), app("c")}, routines, series);
    ASSERT_TRUE(offered.has_value());
    EXPECT_EQ(offered->key, ContextKey::event("first"));

    // Four of five open (0.8): already set up, so the next event's prediction is offered.
    const auto next = Planner::guess(context, {app("a"), app("b"), app("c"), app("d")}, routines, series);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->key, ContextKey::event("second"));

    EXPECT_EQ(Planner::guess(context, {app("a"), app("b"), app("c"), app("d"), app("art")}, routines, series),
              std::nullopt);
    EXPECT_EQ(Planner::guess(Context{}, {}, routines, series), std::nullopt);
}

} // namespace
} // namespace ostrel
