// The autopilot in virtual time on the simulated machine, over a store holding weekly maths
// classes: which triggers are planned, what is run, asked and offered, what the answers record,
// and how class ends, tidy-up and undo follow a run.

#include "app/autopilot/AutopilotController.hpp"

#include "support/ClassHistory.hpp"
#include "support/CueObservations.hpp"
#include "support/Items.hpp"
#include "support/ObserverWorld.hpp"
#include "support/RawDatabase.hpp"
#include "support/RecordingSurface.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::app;
using test::ClassHistory;
using test::document;
using test::page;
using Answer = AnswerPayload::Answer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string browser = "org.example.Browser"; // running
const std::string viewer = "org.example.Viewer";   // opens .pdf, installed
const std::string slides = "/home/student/slides.pdf";

MachineState machineState() {
    MachineState state = MachineState::withOwnApp();
    MachineState::App running;
    running.pid = 2001;
    running.bundleID = browser;
    running.name = "Browser";
    state.apps.push_back(running);
    state.frontPid = 2001;
    state.nextPid = 3000;
    MachineState::InstalledApp installed;
    installed.appID = viewer;
    installed.launchDelay = 0.5;
    state.installed = {installed};
    state.defaultHandlers = {{"http", browser}, {"https", browser}, {"file", browser}};
    state.documentHandlers = {{"pdf", viewer}};
    state.documents = {slides, "/home/student/notes.pdf"};
    return state;
}

class AutopilotControllerTest : public ::testing::Test {
protected:
    AutopilotControllerTest() {
        world.startWriterOnly();
        controller = std::make_unique<AutopilotController>(services());
        controller->setTrace([this](const json::Value& effect) { effects.push_back(effect); });
    }

    AutopilotController::Services services() {
        return {world.store, world.writer(), world.runtime, world.settings, world.platform, banner,
                ledger,      shortcuts,      world.random,  calendar,       "en_US"};
    }

    Date now() const { return world.time.clock().now(); }
    static std::int64_t milliseconds(Date date) { return *truncatedMilliseconds(date); }
    void at(std::int64_t ms) { world.time.setWall(static_cast<Date>(ms) / 1000); }

    // The maths classes of three weeks with the browser and the slides, and the fourth one held.
    void learned() { history.threeClassesOfSlides(app(browser), document(slides)); }
    void yeses(int count) {
        for (int n = 0; n < count; ++n) {
            history.answered(ClassHistory::classStart(n) + 10'000, "event:maths", Answer::yes);
        }
    }

    // The fourth class starts; the trigger is handed over `late` ms after it and planned.
    void classStarts(std::int64_t late = 1'000) {
        at(ClassHistory::classStart(3) + late);
        controller->consider({ClassHistory::classTrigger(3)});
        world.settle();
    }

    // The effects of one name, in order.
    std::vector<json::Value> traced(const std::string& effect) const {
        std::vector<json::Value> found;
        for (const json::Value& one : effects) {
            if (one["effect"] == effect) {
                found.push_back(one);
            }
        }
        return found;
    }

    std::vector<std::string> answers() {
        std::vector<std::string> lines;
        for (const std::string& row : world.rows({Signal::quevAnswer})) {
            lines.push_back(row.substr(row.find(' ') + 1));
        }
        return lines;
    }

    test::ObserverWorld world{machineState()};
    ClassHistory history{world.store};
    std::vector<std::string> log;
    test::RecordingSurface surface{log};
    Banner banner{surface, world.runtime.main()};
    RunLedger ledger;
    Shortcuts shortcuts{world.machine.commands()};
    const Calendar calendar{"Europe/Berlin", "en_US"};
    std::vector<json::Value> effects;
    std::unique_ptr<AutopilotController> controller;
};

// MARK: - Triggers

TEST_F(AutopilotControllerTest, OnlyTriggersYoungerThanNinetySecondsArePlanned) {
    learned();
    struct Case {
        std::int64_t age;
        std::optional<std::string> dropped;
    };
    // One from the future passes the age test; the store holds no episode of it yet.
    for (const Case& c : {Case{89'999, std::nullopt}, Case{90'000, "stale"}, Case{-5'000, "notPlanned"}}) {
        SCOPED_TRACE(c.age);
        effects.clear();
        classStarts(c.age);
        EXPECT_EQ(traced("planned").size(), c.dropped ? 0u : 1u);
        if (c.dropped) {
            ASSERT_EQ(traced("dropped").size(), 1u);
            EXPECT_EQ(traced("dropped")[0]["reason"], *c.dropped);
        }
        banner.dismiss();
    }
}

TEST_F(AutopilotControllerTest, OfThreeFreshTriggersOnlyTheLastIsPlanned) {
    learned();
    const Trigger last = ClassHistory::classTrigger(3);
    world.store.insert(std::vector{Trigger{last.ts - 20'000, Trigger::Kind::wake},
                                   Trigger{last.ts - 10'000, Trigger::Kind::unlock}});
    at(last.ts + 1'000);
    controller->consider(
        {Trigger{last.ts - 20'000, Trigger::Kind::wake}, Trigger{last.ts - 10'000, Trigger::Kind::unlock}, last});
    world.settle();

    const auto planned = traced("planned");
    ASSERT_EQ(planned.size(), 1u);
    EXPECT_EQ(planned[0]["ts"], last.ts);
    EXPECT_EQ(planned[0]["trigger"], "event_start");
    EXPECT_EQ(traced("dropped").size(), 2u);
}

TEST_F(AutopilotControllerTest, OnlyAStoredDateStillToComePauses) {
    learned();
    at(ClassHistory::classStart(3) + 1'000);
    struct Case {
        const char* what;
        std::optional<SettingsValue> stored;
        bool paused;
    };
    const std::vector<Case> cases = {
        {"nothing stored", std::nullopt, false},
        {"a second ago", SettingsValue(SettingsDate{now() - 1}), false},
        {"a number, not a date", SettingsValue(now() + 3'600), false},
        {"in an hour", SettingsValue(SettingsDate{now() + 3'600}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        effects.clear();
        if (c.stored) {
            world.settings.set("pausedUntil", *c.stored);
        } else {
            world.settings.remove("pausedUntil");
        }
        EXPECT_EQ(controller->pausedUntil().has_value(), c.paused);
        controller->consider({ClassHistory::classTrigger(3)});
        world.settle();
        EXPECT_EQ(traced("planned").size(), c.paused ? 0u : 1u);
        // What is stored stays, stale or not.
        EXPECT_EQ(world.settings.get("pausedUntil"), c.stored);
        banner.dismiss();
    }
    controller->setPausedUntil(std::nullopt);
    EXPECT_EQ(world.settings.get("pausedUntil"), std::nullopt);
}

// MARK: - Asking

TEST_F(AutopilotControllerTest, AnAskCountsDownTheYesesLeft) {
    learned();
    yeses(1);
    classStarts();
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for Maths?");
    EXPECT_EQ(surface.showing->detail, "Opens Browser and slides.pdf. 2 more yeses and it's automatic.");
    EXPECT_EQ(surface.showing->primary, "Set up");
    EXPECT_EQ(surface.showing->secondary, "Not now");
    // An event start does not bring what it opens to the front, and nothing ran yet.
    EXPECT_THAT(traced("run"), IsEmpty());
}

TEST_F(AutopilotControllerTest, AnAskForARoutineWithoutItemsNamesNone) {
    // A class nothing was learned for borrows its sibling's routine, whose items the user took out
    // while keeping it to mute the sound.
    for (int n = 0; n < 3; ++n) {
        history.classHeld(n, "cs180-lecture", "CS 180 Lecture");
        history.broughtUp(n, {app(browser), document(slides)});
    }
    history.classHeld(3, "cs180-recitation", "CS 180 Recitation");
    RoutineEdits edits;
    edits.removed = {app(browser), document(slides)};
    edits.mute = true;
    world.store.save(edits, "event:cs180-recitation", 0);
    classStarts();
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for CS 180 Recitation?");
    EXPECT_EQ(surface.showing->detail, "3 more yeses and it's automatic.");
}

TEST_F(AutopilotControllerTest, NotNowRecordsOneNoAndATimeOutOneExpired) {
    learned();
    classStarts();
    banner.press(Banner::Which::secondary);
    world.time.advance(AutopilotController::askTimeout + 1);
    EXPECT_THAT(answers(), ElementsAre(R"({"answer":"no","routine":"event:maths"})"));
    EXPECT_FALSE(surface.showing);

    effects.clear();
    at(ClassHistory::classStart(3) + 2'000);
    controller->consider({ClassHistory::classTrigger(3)});
    world.settle();
    ASSERT_TRUE(surface.showing);
    world.time.advance(AutopilotController::askTimeout);
    EXPECT_FALSE(surface.showing);
    EXPECT_THAT(answers(), ElementsAre(R"({"answer":"no","routine":"event:maths"})",
                                       R"({"answer":"expired","routine":"event:maths"})"));
}

TEST_F(AutopilotControllerTest, TheSameQuestionIsNotAskedTwiceWhileItWaits) {
    learned();
    classStarts();
    ASSERT_TRUE(surface.showing);
    log.clear();
    at(ClassHistory::classStart(3) + 5'000);
    controller->consider({ClassHistory::classTrigger(3)});
    world.settle();
    // Not replaced: the first question stays up and nothing is recorded for it yet.
    EXPECT_THAT(log, IsEmpty());
    EXPECT_THAT(answers(), IsEmpty());
    ASSERT_EQ(traced("dropped").size(), 1u);
    EXPECT_EQ(traced("dropped")[0]["reason"], "alreadyAsking");

    banner.press(Banner::Which::primary);
    world.settle();
    EXPECT_THAT(answers(), ElementsAre(R"({"answer":"yes","routine":"event:maths"})"));
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for Maths");
    EXPECT_EQ(surface.showing->secondary, "Undo");
}

TEST_F(AutopilotControllerTest, SetUpRecordsTheYesBeforeTheRun) {
    learned();
    classStarts();
    banner.press(Banner::Which::primary);
    const std::vector<std::string> rows = world.rows({Signal::quevAnswer, Signal::quevRun});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind("quev.answer", 0), 0u);
    EXPECT_EQ(rows[1].rfind("quev.run", 0), 0u);
    ASSERT_TRUE(controller->lastRun());
    EXPECT_EQ(controller->lastRun()->routine.key, ContextKey::event("maths"));
    const auto runs = traced("run");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]["automatic"], false);
    EXPECT_EQ(runs[0]["bringToFront"], true); // the click is the user at the machine
}

TEST(AutopilotControllerNote, CountsTheYesesStillNeeded) {
    Routine maths{ContextKey::event("maths")};
    maths.items = {app(browser)};
    struct Case {
        std::int64_t yeses;
        std::optional<std::string> note;
    };
    for (const Case& c : {Case{0, "3 more yeses and it's automatic."}, Case{1, "2 more yeses and it's automatic."},
                          Case{2, "Say yes once more and it's automatic."}, Case{3, std::nullopt},
                          Case{5, std::nullopt}}) {
        SCOPED_TRACE(c.yeses);
        Answers answers;
        if (c.yeses > 0) {
            answers.records["event:maths"].yeses = c.yeses;
        }
        EXPECT_EQ(AutopilotController::note(maths, answers), c.note);
    }

    Routine meeting = maths;
    meeting.items.push_back(page("https://zoom.us/j/123"));
    EXPECT_EQ(AutopilotController::note(meeting, {}), std::nullopt);
    Routine moded = maths;
    moded.edits.mode = RoutineEdits::Mode::ask;
    EXPECT_EQ(AutopilotController::note(moded, {}), std::nullopt);
    Routine made{ContextKey::made("M1")};
    EXPECT_EQ(AutopilotController::note(made, {}), std::nullopt);
}

// MARK: - Running, class end, undo

class AutomaticMathsTest : public AutopilotControllerTest {
protected:
    AutomaticMathsTest() {
        learned();
        yeses(3);
    }

    // Runs at the class start, then again at an unlock `after` ms later: the runs of that unlock.
    std::size_t runsAgainAfter(std::int64_t after) {
        classStarts();
        EXPECT_EQ(traced("run").size(), 1u);
        effects.clear();
        const Trigger unlock{ClassHistory::classStart(3) + 1'000 + after, Trigger::Kind::unlock};
        world.store.insert(std::vector{unlock});
        at(unlock.ts);
        controller->consider({unlock});
        world.settle();
        EXPECT_EQ(traced("planned").size(), 1u);
        EXPECT_EQ(traced("planned").at(0)["action"], "run");
        if (!traced("run").empty()) {
            EXPECT_EQ(traced("run")[0]["bringToFront"], true);
        }
        return traced("run").size();
    }

    // Runs at the class start, and the machine sleeps through the class end and wakes this late.
    void wakeAfterTheClassEnd(double late) {
        classStarts();
        ASSERT_TRUE(controller->tidyUpDeadline());
        const Date classEnds = *controller->tidyUpDeadline();
        banner.dismiss();
        world.time.sleep(classEnds + late - now());
        world.settle();
    }
};

TEST_F(AutomaticMathsTest, ARunShowsWhatItDidAndArmsTheClassEnd) {
    std::vector<Date> told;
    controller->setClassSetUp([&told](Date classEnds) { told.push_back(classEnds); });
    classStarts();
    const auto runs = traced("run");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]["automatic"], true);
    EXPECT_EQ(runs[0]["bringToFront"], false); // a class starting is not the user arriving
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for Maths");
    EXPECT_EQ(surface.showing->primary, std::nullopt);
    EXPECT_EQ(surface.showing->secondary, "Undo");
    const Date classEnds = static_cast<Date>(ClassHistory::classStart(3) + ClassHistory::classLength) / 1000;
    EXPECT_THAT(told, ElementsAre(classEnds));
    EXPECT_EQ(controller->tidyUpDeadline(), classEnds);

    world.time.advance(AutopilotController::resultTimeout);
    EXPECT_FALSE(surface.showing);
}

TEST_F(AutomaticMathsTest, TheCoolDownHoldsBackASecondAutomaticRunForTenMinutes) {
    EXPECT_EQ(runsAgainAfter(599'000), 0u);
}

TEST_F(AutomaticMathsTest, AfterTheCoolDownTheRoutineRunsAgain) {
    EXPECT_EQ(runsAgainAfter(600'000), 1u);
}

TEST_F(AutomaticMathsTest, AClassEndIsActedOnUntilHalfAnHourLate) {
    wakeAfterTheClassEnd(1'799);
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Maths is over");
    EXPECT_EQ(surface.showing->detail, "Put away what Ostrel opened for it?");
    EXPECT_EQ(surface.showing->primary, "Tidy up");
    EXPECT_EQ(surface.showing->secondary, "Keep it");
    banner.press(Banner::Which::primary);
    EXPECT_EQ(traced("tidy").size(), 1u);
    EXPECT_FALSE(controller->lastRun());
}

TEST_F(AutomaticMathsTest, AClassEndHalfAnHourLateIsLeftAlone) {
    wakeAfterTheClassEnd(1'800);
    EXPECT_FALSE(surface.showing);
    EXPECT_THAT(traced("tidy"), IsEmpty());
    EXPECT_EQ(traced("dropped").back()["reason"], "late");
    EXPECT_TRUE(controller->lastRun());
}

TEST_F(AutomaticMathsTest, AnAutomaticTidyUpAsksNothing) {
    RoutineEdits edits;
    edits.tidyUp = RoutineEdits::Mode::automatic;
    world.store.save(edits, "event:maths", 0);
    wakeAfterTheClassEnd(60);
    EXPECT_FALSE(surface.showing);
    EXPECT_EQ(traced("tidy").size(), 1u);
    EXPECT_FALSE(controller->lastRun());
}

TEST_F(AutomaticMathsTest, TidyUpOffArmsNoTimerButTellsTheClass) {
    RoutineEdits edits;
    edits.tidyUp = RoutineEdits::Mode::off;
    world.store.save(edits, "event:maths", 0);
    std::vector<Date> told;
    controller->setClassSetUp([&told](Date classEnds) { told.push_back(classEnds); });
    classStarts();
    EXPECT_TRUE(controller->lastRun());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(controller->tidyUpDeadline(), std::nullopt);
    EXPECT_THAT(traced("timer"), IsEmpty());
}

TEST_F(AutomaticMathsTest, UndoDemotesOnceAndTheClassEndFindsNothing) {
    classStarts();
    const Routine maths = controller->lastRun().value().routine;
    for (int n = 0; n < 2; ++n) {
        SCOPED_TRACE(n);
        if (n > 0) {
            controller->setUpNow(maths, "Maths");
            world.settle();
        }
        ASSERT_TRUE(controller->lastRun());
        banner.press(Banner::Which::secondary); // "Undo"
        EXPECT_FALSE(controller->lastRun());
        EXPECT_FALSE(surface.showing);
        EXPECT_EQ(world.settings.get("demotedRoutines"), SettingsValue(SettingsArray{"event:maths"}));
    }
    EXPECT_EQ(traced("undo").size(), 2u);
    effects.clear();
    world.time.advanceTo(static_cast<Date>(ClassHistory::classStart(3) + ClassHistory::classLength) / 1000 + 1);
    EXPECT_THAT(traced("tidy"), IsEmpty());
    EXPECT_FALSE(surface.showing);
    ASSERT_EQ(traced("dropped").size(), 1u);
    EXPECT_EQ(traced("dropped")[0]["reason"], "notLastRun");

    controller->promote("event:nothing-demoted");
    EXPECT_EQ(world.settings.get("demotedRoutines"), SettingsValue(SettingsArray{"event:maths"}));
    controller->promote("event:maths");
    EXPECT_EQ(world.settings.get("demotedRoutines"), SettingsValue(SettingsArray{}));
}

TEST_F(AutomaticMathsTest, UndoLeavesAPendingQuestionUp) {
    classStarts();
    ASSERT_TRUE(controller->lastRun());
    // A question from elsewhere replaces the result banner.
    banner.show({"Question?", "", Banner::Button{"Yes", {}}, Banner::Button{"No", {}}}, 120);
    controller->undoLastRun();
    EXPECT_EQ(traced("undo").size(), 1u);
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Question?");
}

TEST_F(AutomaticMathsTest, ASilentRunKeepsTheLastRunButCountsForTheCoolDown) {
    classStarts();
    ASSERT_TRUE(controller->lastRun());
    const std::string first = controller->lastRun()->id;
    banner.dismiss();

    // Only the browser, which is already running: nothing to open, hide, mute or place.
    Routine justTheBrowser{ContextKey::event("maths")};
    justTheBrowser.items = {app(browser)};
    justTheBrowser.edits.pickUp = false;
    world.time.advance(500);
    controller->setUpNow(justTheBrowser, "Maths");
    world.settle();
    ASSERT_EQ(traced("run").size(), 2u);
    EXPECT_EQ(traced("run")[1]["visible"], false);
    EXPECT_FALSE(surface.showing);
    ASSERT_TRUE(controller->lastRun());
    EXPECT_EQ(controller->lastRun()->id, first);

    // 700 s after the automatic run, but 200 s after the silent one.
    world.time.advance(200);
    const Trigger unlock{milliseconds(now()), Trigger::Kind::unlock};
    world.store.insert(std::vector{unlock});
    controller->consider({unlock});
    world.settle();
    ASSERT_EQ(traced("planned").size(), 2u);
    EXPECT_EQ(traced("planned")[1]["action"], "run");
    EXPECT_EQ(traced("run").size(), 2u);
    EXPECT_EQ(traced("dropped").back()["reason"], "coolDown");
}

TEST_F(AutopilotControllerTest, WindowPlacesThatCouldNotBeSetAreNoRun) {
    world.machine.setTrusted(false);
    Routine placed{ContextKey::made("M1")};
    placed.items = {app(browser)};
    placed.edits.pickUp = false;
    placed.edits.layout = {{browser, RoutineEdits::Placement::left()}};
    controller->setUpNow(placed, "Reading");
    world.settle();
    ASSERT_EQ(traced("run").size(), 1u);
    EXPECT_EQ(traced("run")[0]["placed"], false);
    EXPECT_FALSE(surface.showing);
    EXPECT_FALSE(controller->lastRun());

    world.machine.setTrusted(true);
    controller->setUpNow(placed, "Reading");
    world.settle();
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for Reading");
    EXPECT_TRUE(controller->lastRun());
    EXPECT_EQ(controller->tidyUpDeadline(), std::nullopt); // asked for: no class end
}

TEST_F(AutopilotControllerTest, SetUpNowPicksUpWhatWasLeftOpenLastTime) {
    learned();
    // An hour after the third class, which is the last time.
    at(ClassHistory::classStart(2) + 3'600'000);
    Routine maths{ContextKey::event("maths")};
    maths.items = {app(browser)};
    const std::string notes = "/home/student/notes.pdf";
    history.broughtUp(2, {document(notes)});
    controller->setUpNow(maths, "Maths");
    world.settle();
    ASSERT_TRUE(controller->lastRun());
    EXPECT_THAT(test::ids(controller->lastRun()->opened), ::testing::Contains(document(notes).id()));
}

TEST_F(AutopilotControllerTest, SetUpNowOpensTheRoutinesOwnItemsWhenTheHistoryCannotBeRead) {
    learned();
    history.broughtUp(2, {document("/home/student/notes.pdf")});
    at(ClassHistory::classStart(2) + 3'600'000);
    test::RawDatabase(world.store.url()).exec("ALTER TABLE triggers RENAME TO gone");
    Routine maths{ContextKey::event("maths")};
    maths.items = {document(slides)};
    controller->setUpNow(maths, "Maths");
    world.settle();
    ASSERT_TRUE(controller->lastRun());
    EXPECT_EQ(controller->lastRun()->opened, maths.items);
}

// MARK: - Save offers

class SaveOfferTest : public AutopilotControllerTest {
protected:
    // A class nothing was learned for, in which the user opened the slides.
    SaveOfferTest() {
        history.classHeld(3);
        history.broughtUp(3, {app(browser), document(slides)});
    }

    void offerPlanned(std::int64_t late = 1'000) {
        classStarts(late);
        ASSERT_EQ(traced("timer").size(), 1u);
        EXPECT_EQ(traced("timer")[0]["kind"], "saveOffer");
    }
};

TEST_F(SaveOfferTest, IsShownOnceADayAfterTheWait) {
    offerPlanned();
    world.time.advance(AutopilotController::saveOfferDelay - 1);
    EXPECT_FALSE(surface.showing);
    world.time.advance(1);
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Is this your Maths setup?");
    EXPECT_EQ(surface.showing->detail, "You opened Browser and slides.pdf. Save it for next time?");
    EXPECT_EQ(surface.showing->primary, "Save");
    EXPECT_EQ(surface.showing->secondary, "Not now");
    EXPECT_EQ(world.settings.date("lastSaveOffer"), now());
    banner.press(Banner::Which::primary);
    EXPECT_THAT(answers(), ElementsAre(R"({"answer":"yes","routine":"event:maths"})"));
}

TEST_F(AutopilotControllerTest, ASaveOfferForAClassWithoutATitleNamesThisClass) {
    history.classHeld(3, "maths", "");
    history.broughtUp(3, {app(browser)});
    classStarts();
    world.time.advance(AutopilotController::saveOfferDelay);
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Is this your this class setup?");
    EXPECT_EQ(surface.showing->detail, "You opened Browser. Save it for next time?");
}

TEST_F(SaveOfferTest, TwoPlannedTogetherShowOnlyOne) {
    offerPlanned();
    world.time.advance(10);
    controller->consider({ClassHistory::classTrigger(3)});
    world.settle();
    world.time.advance(AutopilotController::saveOfferDelay);
    EXPECT_EQ(traced("banner").size(), 1u);
    EXPECT_EQ(traced("dropped").back()["reason"], "offeredToday");
}

TEST_F(SaveOfferTest, WaitsThroughSleepAndIsLeftOutWhilePaused) {
    offerPlanned();
    controller->setPausedUntil(now() + 3'600);
    world.time.sleep(AutopilotController::saveOfferDelay); // counted asleep too
    world.settle();
    EXPECT_FALSE(surface.showing);
    EXPECT_EQ(traced("dropped").back()["reason"], "paused");
    EXPECT_EQ(world.settings.get("lastSaveOffer"), std::nullopt); // the day's offer is not used
}

TEST_F(SaveOfferTest, NotPlannedTheSameDayButAfterMidnight) {
    world.settings.set("lastSaveOffer", SettingsDate{static_cast<Date>(ClassHistory::classStart(3)) / 1000 - 3'600});
    classStarts();
    EXPECT_THAT(traced("timer"), IsEmpty());
    EXPECT_EQ(traced("dropped").back()["reason"], "offeredToday");

    // The day before in Berlin: 23:59 local.
    effects.clear();
    world.settings.set("lastSaveOffer",
                       SettingsDate{calendar.startOfDay(static_cast<Date>(ClassHistory::classStart(3)) / 1000) - 60});
    at(ClassHistory::classStart(3) + 2'000);
    controller->consider({ClassHistory::classTrigger(3)});
    world.settle();
    EXPECT_EQ(traced("timer").size(), 1u);
}

TEST_F(SaveOfferTest, AClassAskedAboutDuringTheWaitIsNotOffered) {
    offerPlanned();
    history.answered(milliseconds(now()) + 1'000, "event:maths", Answer::expired);
    world.time.advance(AutopilotController::saveOfferDelay);
    EXPECT_FALSE(surface.showing);
    EXPECT_EQ(traced("dropped").back()["reason"], "nothingToSave");
}

// MARK: - Cues

// A routine the user made to start when the café's network is joined, asking first.
void cafeRoutine(Store& store, std::optional<RoutineEdits::Mode> mode) {
    RoutineEdits made;
    made.name = "Café study";
    made.added = {app(browser), document(slides)};
    made.cues = {Cue{Cue::WiFi{"cafe", "Café"}}};
    made.mode = mode;
    made.created = 1;
    store.save(made, "made:cafe", 0);
}

TEST_F(AutopilotControllerTest, JoiningTheCuesNetworkAsksWithoutCountingYeses) {
    // The learned maths routine, which a class start asks about with "3 more yeses ...", also
    // starts when the café's network is joined; undone once, it is asked about there too.
    learned();
    RoutineEdits edits;
    edits.cues = {Cue{Cue::WiFi{"cafe", "Café"}}};
    world.store.save(edits, "event:maths", 0);
    world.settings.set("demotedRoutines", SettingsArray{"event:maths"});
    at(ClassHistory::classStart(3) + 2 * ClassHistory::day);
    // The first network seen only fills the watch; joining the café is the cue.
    for (const char* network : {"home", "cafe"}) {
        SignalObservation seen = test::wifi(network);
        seen.ts = milliseconds(now());
        world.writer().write(seen);
        world.settle();
    }
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->title, "Set up for Maths?");
    // A cue's verdict counts no yeses: no "more yeses" note.
    EXPECT_EQ(surface.showing->detail, "Opens Browser and slides.pdf.");
    ASSERT_EQ(traced("cue").size(), 1u);
    EXPECT_EQ(traced("cue").front()["action"], "ask");
}

TEST_F(AutopilotControllerTest, AnAutomaticCueRoutineRunsAndAPauseDropsItsCue) {
    cafeRoutine(world.store, RoutineEdits::Mode::automatic);
    controller->setPausedUntil(now() + 3'600);
    const std::int64_t ms = milliseconds(now());
    for (const char* network : {"home", "cafe"}) {
        SignalObservation seen = test::wifi(network);
        seen.ts = ms;
        world.writer().write(seen);
        world.settle();
    }
    EXPECT_TRUE(traced("run").empty());
    EXPECT_EQ(traced("dropped").back()["reason"], "paused");

    controller->setPausedUntil(std::nullopt);
    for (const char* network : {"home", "cafe"}) {
        SignalObservation seen = test::wifi(network);
        seen.ts = milliseconds(now());
        world.writer().write(seen);
        world.settle();
    }
    ASSERT_EQ(traced("run").size(), 1u);
    EXPECT_EQ(traced("run").front()["routine"], "made:cafe");
    EXPECT_EQ(traced("run").front()["automatic"], true);
}

} // namespace
} // namespace ostrel
