#include "core/routines/PlanningPass.hpp"

#include "core/learning/AnswerPayload.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <functional>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;

constexpr std::int64_t minute = test::ClassHistory::minute;
constexpr std::int64_t classLength = test::ClassHistory::classLength;
constexpr std::int64_t day = test::ClassHistory::day;

using test::app;
using test::document;
using test::page;

class PlanningPassTest : public ::testing::Test {
protected:
    test::TempDir dir;
    Store store{dir / "Quev" / "quev.sqlite"};
    const Calendar calendar{"Europe/Berlin", "en_US"};
    test::ClassHistory history{store};

    static std::int64_t classStart(int n) { return test::ClassHistory::classStart(n); }
    static Trigger classTrigger(int n) { return test::ClassHistory::classTrigger(n); }
    void classHeld(int n, const std::string& key = "maths", const std::string& title = "Maths") {
        history.classHeld(n, key, title);
    }
    void broughtUp(int n, const std::vector<Item>& items) { history.broughtUp(n, items); }
    void answered(std::int64_t at, const std::string& routine, AnswerPayload::Answer answer) {
        history.answered(at, routine, answer);
    }
    // Three classes in which the user brought up the browser and the slides.
    void threeClassesOfSlides() { history.threeClassesOfSlides(app("com.apple.Safari"), document("/maths/slides.pdf")); }
};

TEST_F(PlanningPassTest, TheLearnedClassRoutineAsksUntilThreeYeses) {
    threeClassesOfSlides();
    const Trigger now = classTrigger(3);

    const auto first = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->choice);
    const Routine& routine = first->choice->routine;
    EXPECT_EQ(routine.key, ContextKey::event("maths"));
    EXPECT_FALSE(first->choice->picked);
    EXPECT_EQ(routine.support, 3);
    EXPECT_EQ(routine.items, (std::vector<Item>{app("com.apple.Safari"), document("/maths/slides.pdf")}));
    EXPECT_EQ(first->action, Autopilot::Action::ask(routine));
    EXPECT_EQ(first->classEnds, now.ts + classLength);
    EXPECT_EQ(first->saveOffer, std::nullopt);
    ASSERT_EQ(first->context.events.size(), 1u);
    EXPECT_EQ(first->context.events[0].key, "maths");

    // Three yeses before the pass count; one stamped after the moment it runs at does not.
    for (int n = 0; n < 2; ++n) {
        answered(classStart(n) + 10'000, "event:maths", AnswerPayload::Answer::yes);
    }
    answered(now.ts + 30'000, "event:maths", AnswerPayload::Answer::yes);
    const auto early = PlanningPass::run(store, now, now.ts + 29'999, calendar, {});
    ASSERT_TRUE(early);
    EXPECT_EQ(early->answers["event:maths"].yeses, 2);
    EXPECT_EQ(caseName(early->action), "ask");
    const auto late = PlanningPass::run(store, now, now.ts + 30'000, calendar, {"event:maths"});
    ASSERT_TRUE(late);
    EXPECT_EQ(late->answers["event:maths"].yeses, 3);
    // A class routine is not held back by the demoted set: an undo already reset its streak.
    EXPECT_EQ(late->action, Autopilot::Action::run(late->choice->routine));

    for (int n = 0; n < 3; ++n) {
        answered(now.ts + 40'000 + n, "event:maths", AnswerPayload::Answer::no);
    }
    EXPECT_EQ(PlanningPass::run(store, now, now.ts + 60'000, calendar, {})->action,
              Autopilot::Action::nothing());
}

TEST_F(PlanningPassTest, ARoutineCuedByTheClassCarriesWhatWasOpenLastTime) {
    threeClassesOfSlides();
    broughtUp(
        2, {page("https://uni.example/maths/week3"), document("/maths/sheet3.pdf"), app("org.example.Chat")});
    RoutineEdits made;
    made.added = {app("com.apple.Safari"), page("https://uni.example/maths")};
    made.cues = {Cue{Cue::Event{"maths"}}};
    made.created = 1;
    store.save(made, "made:M1", 0);

    const Trigger now = classTrigger(3);
    const auto result = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->choice);
    // Picked by its cue, it beats the learned class routine.
    EXPECT_EQ(result->choice->routine.key, ContextKey::made("M1"));
    EXPECT_TRUE(result->choice->picked);
    const std::vector<Item> withLastTime = {app("com.apple.Safari"), page("https://uni.example/maths/week3"),
                                            document("/maths/slides.pdf"), document("/maths/sheet3.pdf")};
    EXPECT_EQ(result->choice->routine.items, withLastTime);
    EXPECT_EQ(result->action, Autopilot::Action::run(result->choice->routine));
    EXPECT_EQ(result->classEnds, now.ts + classLength);
    EXPECT_EQ(caseName(PlanningPass::run(store, now, now.ts, calendar, {"made:M1"})->action), "ask");

    made.pickUp = false;
    store.save(made, "made:M1", 0);
    EXPECT_EQ(PlanningPass::run(store, now, now.ts, calendar, {})->choice->routine.items, made.added);
}

TEST_F(PlanningPassTest, NothingChosenOffersToSaveTheClass) {
    classHeld(0);
    const Trigger now = classTrigger(0);
    const auto result = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->choice, std::nullopt);
    EXPECT_EQ(result->action, Autopilot::Action::nothing());
    EXPECT_EQ(result->classEnds, std::nullopt);
    EXPECT_EQ(result->saveOffer, ContextKey::event("maths"));

    answered(now.ts - minute, "event:maths", AnswerPayload::Answer::expired);
    EXPECT_EQ(PlanningPass::run(store, now, now.ts, calendar, {})->saveOffer, std::nullopt);
}

TEST_F(PlanningPassTest, AClassNothingWasLearnedForBorrowsFromItsSiblings) {
    for (int n = 0; n < 3; ++n) {
        classHeld(n, "cs180-lecture", "CS 180 Lecture");
        broughtUp(n, {app("com.apple.Safari"), document("/cs180/slides.pdf")});
    }
    classHeld(3, "cs180-recitation", "CS 180 Recitation");
    const Trigger now = classTrigger(3);
    const ContextKey recitation = ContextKey::event("cs180-recitation");

    const auto guessed = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(guessed);
    ASSERT_TRUE(guessed->choice);
    EXPECT_TRUE(guessed->guessed);
    EXPECT_FALSE(guessed->choice->picked);
    EXPECT_EQ(guessed->choice->routine.key, recitation);
    EXPECT_EQ(guessed->choice->routine.items,
              (std::vector<Item>{app("com.apple.Safari"), document("/cs180/slides.pdf")}));
    EXPECT_EQ(guessed->name, "CS 180 Recitation");
    EXPECT_EQ(guessed->action, Autopilot::Action::ask(guessed->choice->routine));
    EXPECT_EQ(guessed->classEnds, now.ts + classLength);
    EXPECT_EQ(guessed->saveOffer, std::nullopt);

    // The guess takes the stored edits of its key; the class's title still names it.
    RoutineEdits off;
    off.mode = RoutineEdits::Mode::off;
    off.name = "Recitation";
    store.save(off, recitation.id(), 0);
    const auto switchedOff = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(switchedOff && switchedOff->choice);
    EXPECT_EQ(switchedOff->choice->routine.edits, off);
    EXPECT_EQ(switchedOff->name, "CS 180 Recitation");
    EXPECT_EQ(switchedOff->action, Autopilot::Action::nothing());

    // A routine the user deleted is not guessed back: the class is offered for saving instead.
    RoutineEdits deleted;
    deleted.deleted = true;
    store.save(deleted, recitation.id(), 0);
    const auto dropped = PlanningPass::run(store, now, now.ts, calendar, {});
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->choice, std::nullopt);
    EXPECT_FALSE(dropped->guessed);
    EXPECT_EQ(dropped->name, "");
    EXPECT_EQ(dropped->saveOffer, recitation);
}

TEST_F(PlanningPassTest, AGuessLeavesOutWhatTheUserTookOutOfItsRoutine) {
    for (int n = 0; n < 3; ++n) {
        classHeld(n, "cs180-lecture", "CS 180 Lecture");
        broughtUp(n, {app("com.apple.Safari"), document("/cs180/slides.pdf")});
    }
    classHeld(3, "cs180-recitation", "CS 180 Recitation");
    const Trigger now = classTrigger(3);
    const ContextKey recitation = ContextKey::event("cs180-recitation");

    struct Case {
        const char* what;
        std::vector<Item> removed;
        bool learnedWhen;
        bool mute;
        std::optional<std::vector<Item>> guessed; // nothing: no guess, the class is offered for saving
    };
    const std::vector<Case> cases = {
        {"one item taken out", {document("/cs180/slides.pdf")}, true, false,
         std::vector<Item>{app("com.apple.Safari")}},
        {"every item taken out", {app("com.apple.Safari"), document("/cs180/slides.pdf")}, true, false,
         std::nullopt},
        {"every item taken out, still mutes", {app("com.apple.Safari"), document("/cs180/slides.pdf")}, true,
         true, std::vector<Item>{}},
        {"learned moment off", {}, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RoutineEdits edits;
        edits.removed = c.removed;
        edits.learnedWhen = c.learnedWhen;
        edits.mute = c.mute;
        store.save(edits, recitation.id(), 0);
        const auto result = PlanningPass::run(store, now, now.ts, calendar, {});
        ASSERT_TRUE(result);
        if (c.guessed) {
            ASSERT_TRUE(result->choice);
            EXPECT_TRUE(result->guessed);
            EXPECT_EQ(result->choice->routine.items, *c.guessed);
            EXPECT_EQ(result->choice->routine.edits, edits);
            EXPECT_EQ(result->saveOffer, std::nullopt);
        } else {
            EXPECT_EQ(result->choice, std::nullopt);
            EXPECT_FALSE(result->guessed);
            EXPECT_EQ(result->action, Autopilot::Action::nothing());
            EXPECT_EQ(result->saveOffer, recitation);
        }
    }
}

TEST_F(PlanningPassTest, TheNameIsTheUsersThenTheModelsThenTheSystems) {
    threeClassesOfSlides();
    const Trigger now = classTrigger(3);
    const PlanningPass::SmartNames smart = [](const std::string& id) -> std::optional<std::string> {
        return id == "event:maths" ? std::optional<std::string>("Linear maths") : std::nullopt;
    };
    EXPECT_EQ(PlanningPass::run(store, now, now.ts, calendar, {})->name, "Maths");
    EXPECT_EQ(PlanningPass::run(store, now, now.ts, calendar, {}, smart)->name, "Linear maths");
    RoutineEdits named;
    named.name = "Maths with Ada";
    store.save(named, "event:maths", 0);
    EXPECT_EQ(PlanningPass::run(store, now, now.ts, calendar, {}, smart)->name, "Maths with Ada");
}

TEST_F(PlanningPassTest, NoResultWithoutTheTriggersEpisode) {
    threeClassesOfSlides();
    const Trigger stored = classTrigger(3);
    const struct {
        const char* name;
        Trigger trigger;
        std::int64_t now;
    } cases[] = {
        {"never stored", {stored.ts + minute, Kind::eventStart}, stored.ts + minute},
        {"another kind at that moment", {stored.ts, Kind::wake}, stored.ts},
        {"run before the trigger", stored, stored.ts - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlanningPass::run(store, c.trigger, c.now, calendar, {}), std::nullopt) << c.name;
    }
    EXPECT_TRUE(PlanningPass::run(store, stored, std::numeric_limits<std::int64_t>::max(), calendar, {}));
}

// A routine the user made that the café's network starts.
RoutineEdits cafeRoutine() {
    RoutineEdits made;
    made.added = {app("com.apple.Safari"), page("https://uni.example/maths")};
    made.cues = {Cue{Cue::WiFi{"cafe", "Café"}}};
    made.created = 1;
    return made;
}

TEST_F(PlanningPassTest, ACueStartsTheRoutineThatAwaitsIt) {
    const std::int64_t at = classStart(0);
    const struct {
        const char* name;
        std::function<void(RoutineEdits&)> edit;
        CueEvent event;
        Autopilot::Demoted demoted;
        std::optional<std::string_view> action; // nothing: the pass gives no result
    } cases[] = {
        {"no mode: picked, so it runs", [](RoutineEdits&) {}, CueEvent::wifi("cafe"), {}, "run"},
        {"another network", [](RoutineEdits&) {}, CueEvent::wifi("library"), {}, std::nullopt},
        {"another kind of cue", [](RoutineEdits&) {}, CueEvent::display("cafe"), {}, std::nullopt},
        {"mode ask",
         [](RoutineEdits& e) { e.mode = RoutineEdits::Mode::ask; },
         CueEvent::wifi("cafe"),
         {},
         "ask"},
        {"mode off",
         [](RoutineEdits& e) { e.mode = RoutineEdits::Mode::off; },
         CueEvent::wifi("cafe"),
         {},
         std::nullopt},
        {"deleted", [](RoutineEdits& e) { e.deleted = true; }, CueEvent::wifi("cafe"), {}, std::nullopt},
        {"demoted asks", [](RoutineEdits&) {}, CueEvent::wifi("cafe"), {"made:M1"}, "ask"},
        // Awaited, but already set up: the planner chooses nothing.
        {"already open",
         [](RoutineEdits& e) { e.added = {app("org.example.Open")}; },
         CueEvent::wifi("cafe"),
         {},
         "nothing"},
    };
    for (const auto& c : cases) {
        RoutineEdits made = cafeRoutine();
        c.edit(made);
        store.save(made, "made:M1", 0);
        const auto result =
            PlanningPass::forCue(store, c.event, at, {app("org.example.Open")}, calendar, c.demoted);
        ASSERT_EQ(result.has_value(), c.action.has_value()) << c.name;
        if (result) {
            EXPECT_EQ(caseName(result->action), *c.action) << c.name;
            if (const Routine* routine = result->action.routine()) {
                EXPECT_EQ(routine->key, ContextKey::made("M1")) << c.name;
                EXPECT_EQ(result->name, RoutineName::name(routine->key, {}, calendar)) << c.name;
            } else {
                EXPECT_EQ(result->name, "") << c.name;
            }
        }
    }
}

TEST_F(PlanningPassTest, ACueNamesItsRoutineTheUsersWayThenTheModels) {
    RoutineEdits made = cafeRoutine();
    store.save(made, "made:M1", 0);
    const PlanningPass::SmartNames smart = [](const std::string& id) -> std::optional<std::string> {
        return id == "made:M1" ? std::optional<std::string>("Café maths") : std::nullopt;
    };
    EXPECT_EQ(PlanningPass::forCue(store, CueEvent::wifi("cafe"), 0, {}, calendar, {}, smart)->name,
              "Café maths");
    made.name = "Reading at the café";
    store.save(made, "made:M1", 0);
    EXPECT_EQ(PlanningPass::forCue(store, CueEvent::wifi("cafe"), 0, {}, calendar, {}, smart)->name,
              "Reading at the café");
}

TEST_F(PlanningPassTest, ACueCarriesWhatWasOpenLastTime) {
    for (int n = 0; n < 3; ++n) {
        classHeld(n);
        broughtUp(n, {app("com.apple.Safari"), document("/maths/slides.pdf")});
    }
    broughtUp(
        2, {page("https://uni.example/maths/week3"), document("/maths/sheet3.pdf"), app("org.example.Chat")});
    RoutineEdits made = cafeRoutine();
    made.cues.push_back(Cue{Cue::Event{"maths"}});
    store.save(made, "made:M1", 0);

    const std::int64_t at = classStart(2) + day;
    const auto result = PlanningPass::forCue(store, CueEvent::wifi("cafe"), at, {}, calendar, {});
    ASSERT_TRUE(result && result->action.routine());
    const std::vector<Item> withLastTime = {app("com.apple.Safari"), page("https://uni.example/maths/week3"),
                                            document("/maths/slides.pdf"), document("/maths/sheet3.pdf")};
    EXPECT_EQ(result->action.routine()->items, withLastTime);

    made.pickUp = false;
    store.save(made, "made:M1", 0);
    EXPECT_EQ(
        PlanningPass::forCue(store, CueEvent::wifi("cafe"), at, {}, calendar, {})->action.routine()->items,
        made.added);
}

// The episodes cannot be read here, so only a pass that stops at the edits gets through.
TEST_F(PlanningPassTest, ACueNobodyAwaitsReadsNothingButTheEdits) {
    store.save(cafeRoutine(), "made:M1", 0);
    test::RawDatabase(dir / "Quev" / "quev.sqlite").exec("DROP TABLE triggers");

    EXPECT_EQ(PlanningPass::forCue(store, CueEvent::wifi("library"), 0, {}, calendar, {}), std::nullopt);
    EXPECT_EQ(PlanningPass::forCue(store, CueEvent::app("com.apple.Safari"), 0, {}, calendar, {}),
              std::nullopt);
    EXPECT_THROW(PlanningPass::forCue(store, CueEvent::wifi("cafe"), 0, {}, calendar, {}), SQLiteError);
}

TEST(PlanningPassClassEnd, TheClassTheRoutineServes) {
    const CalendarEvent maths{"maths", 0, true, "Maths", 0, 100, std::nullopt, "School", {}};
    const CalendarEvent physics{"physics", 50, true, "Physics", 50, 200, std::nullopt, "School", {}};
    Context context;
    context.events = {maths, physics};

    Routine ofPhysics{ContextKey::event("physics"), {}, 3, 0.8, TrustLevel::suggest};
    Routine notLearned = ofPhysics;
    notLearned.edits.learnedWhen = false;
    Routine cued = notLearned;
    cued.edits.cues = {Cue{Cue::Time{{2}, 600}}, Cue{Cue::Event{"physics"}}, Cue{Cue::Event{"maths"}}};
    Routine slot{ContextKey::slot(2, 19, "unknown"), {}, 3, 0.8, TrustLevel::suggest};

    EXPECT_EQ(PlanningPass::classEnd(ofPhysics, context), 200);
    EXPECT_EQ(PlanningPass::classEnd(notLearned, context), std::nullopt);
    // The context's order decides between several classes the routine serves.
    EXPECT_EQ(PlanningPass::classEnd(cued, context), 100);
    EXPECT_EQ(PlanningPass::classEnd(slot, context), std::nullopt);
    EXPECT_EQ(PlanningPass::classEnd(ofPhysics, Context{}), std::nullopt);
}

} // namespace
} // namespace ostrel
