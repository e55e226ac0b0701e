#include "core/learning/Autopilot.hpp"

#include "support/Items.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;
using Mode = RoutineEdits::Mode;

using test::app;
using test::page;

Routine routine(ContextKey key, std::vector<Item> items, std::optional<Mode> mode = std::nullopt,
                TrustLevel trust = TrustLevel::suggest, int support = 5) {
    Routine r{std::move(key), std::move(items), support, 0.8, trust};
    r.edits.mode = mode;
    return r;
}

Answers answers(const std::string& id, Answers::Record record) {
    Answers result;
    result.records[id] = record;
    return result;
}

std::string caseOf(const Autopilot::Action& action) {
    return std::string(Autopilot::caseName(action));
}

TEST(AutopilotAction, RulesInOrder) {
    const ContextKey event = ContextKey::event("maths");
    const ContextKey title = ContextKey::title("quiz");
    const ContextKey slot = ContextKey::slot(2, 19, "unknown");
    const ContextKey made = ContextKey::made("A1");
    const std::vector<Item> plain = {app("com.apple.Safari"), page("https://uni.example/maths")};
    const std::vector<Item> meeting = {app("com.apple.Safari"), page("https://uni.zoom.us/j/123")};

    const struct {
        const char* name;
        Routine routine;
        bool picked;
        Kind at;
        bool demoted;
        Answers::Record record;
        const char* expected;
    } cases[] = {
        {"mode off even with a meeting",
         routine(event, meeting, Mode::off),
         true,
         Kind::wake,
         false,
         {},
         "nothing"},
        {"observed, unpicked, no mode",
         routine(slot, plain, {}, TrustLevel::observe),
         false,
         Kind::wake,
         false,
         {5, 0, 5},
         "nothing"},
        {"observed event with yeses",
         routine(event, plain, {}, TrustLevel::observe),
         false,
         Kind::wake,
         false,
         {3, 0, 3},
         "nothing"},
        {"observed but picked",
         routine(slot, plain, {}, TrustLevel::observe),
         true,
         Kind::eventStart,
         false,
         {},
         "run"},
        {"observed with a mode",
         routine(slot, plain, Mode::automatic, TrustLevel::observe),
         false,
         Kind::wake,
         false,
         {},
         "run"},
        {"automatic with a meeting",
         routine(slot, meeting, Mode::automatic),
         true,
         Kind::wake,
         false,
         {},
         "ask"},
        {"no mode with a meeting, confident",
         routine(event, meeting),
         false,
         Kind::wake,
         false,
         {3, 0, 3},
         "ask"},
        {"meeting on a www host in capitals",
         routine(slot, {page("HTTPS://WWW.Zoom.US/j/1")}, Mode::automatic),
         false,
         Kind::wake,
         false,
         {},
         "ask"},
        {"meeting host followed by another domain",
         routine(slot, {page("https://zoom.us.example.org/j/1")}, Mode::automatic),
         false,
         Kind::wake,
         false,
         {},
         "run"},
        {"meeting app id is no page",
         routine(slot, {app("zoom.us")}, Mode::automatic),
         false,
         Kind::wake,
         false,
         {},
         "run"},
        {"mode ask", routine(event, plain, Mode::ask), true, Kind::wake, false, {5, 0, 5}, "ask"},
        {"automatic at a wake", routine(event, plain, Mode::automatic), false, Kind::wake, false, {}, "run"},
        {"automatic at a class start",
         routine(event, plain, Mode::automatic),
         false,
         Kind::eventStart,
         false,
         {},
         "ask"},
        {"automatic, picked, class start",
         routine(event, plain, Mode::automatic),
         true,
         Kind::eventStart,
         false,
         {},
         "run"},
        {"automatic, demoted, picked",
         routine(event, plain, Mode::automatic),
         true,
         Kind::wake,
         true,
         {},
         "ask"},
        {"automatic ignores noes",
         routine(event, plain, Mode::automatic),
         false,
         Kind::unlock,
         false,
         {0, 9, 9},
         "run"},
        {"picked, no mode, class start", routine(event, plain), true, Kind::eventStart, false, {}, "run"},
        {"picked, no mode, demoted", routine(event, plain), true, Kind::login, true, {}, "ask"},
        {"slot at a wake", routine(slot, plain), false, Kind::wake, false, {}, "run"},
        {"slot at a class start", routine(slot, plain), false, Kind::eventStart, false, {}, "ask"},
        {"slot demoted", routine(slot, plain), false, Kind::login, true, {}, "ask"},
        {"made at an unlock",
         routine(made, plain, {}, TrustLevel::suggest, 0),
         false,
         Kind::unlock,
         false,
         {},
         "run"},
        {"made, demoted",
         routine(made, plain, {}, TrustLevel::suggest, 0),
         false,
         Kind::unlock,
         true,
         {},
         "ask"},
        {"event, no answers", routine(event, plain), false, Kind::wake, false, {}, "ask"},
        {"event, two yeses", routine(event, plain), false, Kind::wake, false, {2, 0, 2}, "ask"},
        {"event, three yeses", routine(event, plain), false, Kind::eventStart, false, {3, 0, 3}, "run"},
        {"event, three yeses, demoted", routine(event, plain), false, Kind::wake, true, {3, 0, 3}, "run"},
        {"event, three noes", routine(event, plain), false, Kind::wake, false, {0, 3, 3}, "nothing"},
        {"event, two noes", routine(event, plain), false, Kind::wake, false, {0, 2, 2}, "ask"},
        {"title of support 1, three noes",
         routine(title, plain, {}, TrustLevel::suggest, 1),
         false,
         Kind::wake,
         false,
         {0, 3, 3},
         "nothing"},
        {"title of support 1, five yeses",
         routine(title, plain, {}, TrustLevel::suggest, 1),
         false,
         Kind::wake,
         false,
         {5, 0, 5},
         "ask"},
        {"title of support 2, three yeses",
         routine(title, plain, {}, TrustLevel::suggest, 2),
         false,
         Kind::wake,
         false,
         {3, 0, 3},
         "run"},
        {"automate trust is read like suggest",
         routine(event, plain, {}, TrustLevel::automate),
         false,
         Kind::wake,
         false,
         {},
         "ask"},
    };
    for (const auto& c : cases) {
        const Autopilot::Demoted demoted =
            c.demoted ? Autopilot::Demoted{c.routine.key.id()} : Autopilot::Demoted{"slot:1:0:unknown"};
        const Autopilot::Action result = Autopilot::action(Choice{c.routine, c.picked}, c.at, demoted,
                                                           answers(c.routine.key.id(), c.record));
        EXPECT_EQ(caseOf(result), c.expected) << c.name;
        if (result.routine() != nullptr) {
            EXPECT_EQ(*result.routine(), c.routine) << c.name;
        }
    }
}

TEST(AutopilotAction, NoChoiceAndTheDecisionForm) {
    EXPECT_EQ(Autopilot::action(std::nullopt, Kind::wake, {}, {}), Autopilot::Action::nothing());

    const Routine event = routine(ContextKey::event("maths"), {app("org.example.Notes")});
    // A run decision is not a picked choice: a calendar routine without answers asks.
    EXPECT_EQ(Autopilot::action(Decision::run(event), Kind::wake, {}, {}), Autopilot::Action::ask(event));
    EXPECT_EQ(Autopilot::action(Decision::suggest(event), Kind::wake, {}, answers(event.key.id(), {3, 0, 3})),
              Autopilot::Action::run(event));
    EXPECT_EQ(Autopilot::action(Decision::nothing(), Kind::wake, {}, {}), Autopilot::Action::nothing());

    const Routine slot = routine(ContextKey::slot(3, 20, "unknown"), {app("org.example.Notes")});
    EXPECT_EQ(Autopilot::action(Decision::run(slot), Kind::eventStart, {}, {}), Autopilot::Action::ask(slot));
    const Routine observed = routine(slot.key, slot.items, std::nullopt, TrustLevel::observe);
    EXPECT_EQ(Autopilot::action(Decision::run(observed), Kind::wake, {}, {}), Autopilot::Action::nothing());
}

TEST(AutopilotAction, DemotedIdsCompareAsUnicodeText) {
    // "é" composed in the routine's key, decomposed in the stored set.
    const Routine r = routine(ContextKey::slot(2, 19, "caf\u00e9"), {app("org.example.Notes")});
    EXPECT_EQ(Autopilot::action(Choice{r, false}, Kind::wake, {"slot:2:19:cafe\u0301"}, {}),
              Autopilot::Action::ask(r));
}

TEST(AutopilotPlan, EventPlans) {
    CalendarEvent recurring;
    recurring.key = "maths";
    recurring.recurring = true;
    CalendarEvent withMeeting = recurring;
    withMeeting.links = {"https://uni.example/syllabus", "https://meet.google.com/abc-defg-hij"};
    CalendarEvent oneOff = withMeeting;
    oneOff.recurring = false;

    const struct {
        const char* name;
        CalendarEvent event;
        Answers::Record record;
        Autopilot::EventPlan expected;
    } cases[] = {
        {"one-off, whatever the answers", oneOff, {0, 5, 5}, Autopilot::EventPlan::oneOff()},
        {"one-off, confident", oneOff, {5, 0, 5}, Autopilot::EventPlan::oneOff()},
        {"noes 3 beat a meeting link", withMeeting, {0, 3, 3}, Autopilot::EventPlan::stoppedAsking()},
        {"noes 2 and a meeting link", withMeeting, {0, 2, 2}, Autopilot::EventPlan::alwaysAsks()},
        {"meeting link, confident", withMeeting, {4, 0, 4}, Autopilot::EventPlan::alwaysAsks()},
        {"no answers", recurring, {}, Autopilot::EventPlan::asking(0)},
        {"two yeses", recurring, {2, 0, 2}, Autopilot::EventPlan::asking(2)},
        {"three yeses", recurring, {3, 0, 3}, Autopilot::EventPlan::automatic()},
        {"four yeses", recurring, {4, 0, 4}, Autopilot::EventPlan::automatic()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Autopilot::plan(c.event, answers("event:maths", c.record)), c.expected) << c.name;
    }
    // Another series' answers are not this one's.
    EXPECT_EQ(Autopilot::plan(recurring, answers("event:physics", {5, 0, 5})),
              Autopilot::EventPlan::asking(0));
    EXPECT_NE(Autopilot::EventPlan::asking(1), Autopilot::EventPlan::asking(2));
}

TEST(AutopilotSaveOffer, FirstRecurringClassNeverAskedAbout) {
    const auto event = [](const std::string& key, bool recurring) {
        CalendarEvent e;
        e.key = key;
        e.recurring = recurring;
        return e;
    };
    Context context;
    context.events = {event("party", false), event("maths", true), event("physics", true)};

    EXPECT_EQ(Autopilot::saveOffer(context, {}), ContextKey::event("maths"));
    EXPECT_EQ(Autopilot::saveOffer(context, answers("event:maths", {0, 0, 1})), ContextKey::event("physics"));
    // An undo alone makes a record that was never asked about.
    EXPECT_EQ(Autopilot::saveOffer(context, answers("event:maths", {0, 0, 0})), ContextKey::event("maths"));

    Answers both = answers("event:maths", {1, 0, 1});
    both.records["event:physics"] = {0, 1, 1};
    EXPECT_EQ(Autopilot::saveOffer(context, both), std::nullopt);

    context.events = {event("party", false), event("fair", false)};
    EXPECT_EQ(Autopilot::saveOffer(context, {}), std::nullopt);
    EXPECT_EQ(Autopilot::saveOffer(Context{}, {}), std::nullopt);
}

} // namespace
} // namespace ostrel
