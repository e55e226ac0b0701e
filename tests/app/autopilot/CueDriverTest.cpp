#include "app/autopilot/CueDriver.hpp"

#include "core/foundation/Date.hpp"
#include "core/routines/Cue.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/CueObservations.hpp"
#include "support/Items.hpp"
#include "support/LogCapture.hpp"
#include "support/ObserverWorld.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::app;

constexpr double week = 7 * 86'400;

// One act hook call, with the routine's key id ("" for nothing).
struct Acted {
    std::string action;
    std::string routine;
    std::string name;
    std::vector<Item> open;
};

// The virtual clock starts on Monday 15 September 2025, 08:13:20 in Berlin. Only a writer runs
// (no sources), so the tests write exactly the observations the driver sees.
class CueDriverTest : public ::testing::Test {
protected:
    CueDriverTest() { world.startWriterOnly(); }
    ~CueDriverTest() override { driver.reset(); }

    test::ObserverWorld world;
    const Calendar calendar{"Europe/Berlin", "en_US"};
    bool paused = false;
    std::vector<Acted> acted;
    std::vector<json::Value> effects;
    std::unique_ptr<CueDriver> driver;

    void start() {
        CueDriver::Hooks hooks;
        hooks.paused = [this] { return paused; };
        hooks.demoted = [] { return Autopilot::Demoted{}; };
        hooks.act = [this](const Autopilot::Action& action, const std::string& name,
                           const std::vector<Item>& open) {
            const Routine* routine = action.routine();
            acted.push_back({std::string(caseName(action)), routine ? routine->key.id() : "", name, open});
        };
        driver = std::make_unique<CueDriver>(world.store, world.writer(), world.runtime, world.platform,
                                             world.settings, calendar, std::move(hooks));
        driver->setTrace([this](const json::Value& effect) { effects.push_back(effect); });
        world.settle();
    }

    // A routine the user made, opening one app, started by these cues.
    void routine(const std::string& id, std::vector<Cue> cues,
                 std::optional<RoutineEdits::Mode> mode = std::nullopt, bool deleted = false) {
        RoutineEdits edits;
        edits.added = {app("com.example.Reader")};
        edits.cues = std::move(cues);
        edits.mode = mode;
        edits.deleted = deleted;
        edits.created = 1;
        world.store.save(edits, id, 0);
    }

    void observe(SignalObservation observation) {
        observation.ts = *truncatedMilliseconds(world.time.clock().now());
        world.writer().write(std::move(observation));
        world.settle();
    }

    // The traced effects of one kind ("cue", "dropped", "timer").
    std::vector<json::Value> traced(const std::string& effect) const {
        std::vector<json::Value> found;
        for (const json::Value& each : effects) {
            if (each.at("effect") == effect) {
                found.push_back(each);
            }
        }
        return found;
    }

    // The events the cue pass was asked about, in order.
    std::vector<std::string> considered() const {
        std::vector<std::string> events;
        for (const json::Value& cue : traced("cue")) {
            events.push_back(cue.at("event").get<std::string>());
        }
        return events;
    }
};

// Monday 09:00 in Berlin.
const Cue mondayNine{Cue::Time{{2}, 9 * 60}};

TEST_F(CueDriverTest, OnlyChangesAfterTheFirstObservationsAreConsidered) {
    start();
    const struct {
        const char* name;
        SignalObservation observation;
        std::vector<std::string> events;
    } steps[] = {
        {"first displays only seed the watch", test::displays({"D1"}), {}},
        {"first network only seeds", test::wifi("B"), {}},
        {"first devices only seed", test::devices({"speaker"}), {}},
        {"one more display", test::displays({"D1", "D2"}), {"display(D2)"}},
        {"a display gone", test::displays({"D2"}), {}},
        {"network A after B", test::wifi("A"), {"wifi(A)"}},
        {"network lost", test::wifi(nullptr), {}},
        {"A again", test::wifi("A"), {"wifi(A)"}},
        {"two new devices, one after the other",
         test::devices({"speaker", "mic", "headset"}),
         {"audioDevice(headset)", "audioDevice(mic)"}},
        {"an app launch", test::launched("com.example.Reader"), {"app(com.example.Reader)"}},
        {"another signal", {0, Signal::appActivate, R"({"bundleID":"com.example.Reader"})"}, {}},
    };
    for (const auto& step : steps) {
        effects.clear();
        observe(step.observation);
        EXPECT_EQ(considered(), step.events) << step.name;
    }
    // Nothing waits for any of these: planned, but never acted on.
    EXPECT_TRUE(acted.empty());
}

TEST_F(CueDriverTest, AnAwaitedCueIsActedOnWithTheRunningApps) {
    routine("made:Desk", {Cue{Cue::Display{"D2", "Desk screen"}}});
    MachineState::InstalledApp notes;
    notes.appID = "com.example.Notes";
    world.machine.installApp(notes);
    world.machine.launch("com.example.Notes");
    start();
    test::LogCapture log(true);

    observe(test::displays({"D1"}));
    observe(test::displays({"D1", "D2", "D3"}));

    ASSERT_EQ(acted.size(), 1u);
    EXPECT_EQ(acted[0].action, "run");
    EXPECT_EQ(acted[0].routine, "made:Desk");
    const std::vector<Item> running = {app("org.ostrel.Ostrel"), app("com.example.Notes")};
    EXPECT_EQ(acted[0].open, running);
    // Both new displays were planned; the debug line is written for each, result or not.
    std::vector<std::string> lines;
    for (const LogEntry& entry : log.entries()) {
        if (entry.category == "autopilot" && entry.level == LogLevel::debug) {
            lines.push_back(entry.message);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"Cue display(D2): run(made:Desk)", "Cue display(D3): nil"}));
}

TEST_F(CueDriverTest, SmartNamesComeFromTheSettings) {
    routine("made:Desk", {Cue{Cue::App{"com.example.Reader"}}});
    world.settings.set(settingsKeys::smartNames, SettingsDictionary{{"made:Desk", "Deep work"}});
    start();
    observe(test::launched("com.example.Reader"));
    ASSERT_EQ(acted.size(), 1u);
    EXPECT_EQ(acted[0].name, "Deep work");
}

TEST_F(CueDriverTest, WhilePausedCuesAreDroppedButWatched) {
    routine("made:Desk", {Cue{Cue::Display{"D2", ""}}, mondayNine});
    start();
    paused = true;
    observe(test::displays({"D1"}));
    observe(test::displays({"D1", "D2"}));
    EXPECT_EQ(driver->cueWatch().displays, (std::set<std::string>{"D1", "D2"}));

    const Date nine = *driver->timeCueDeadline();
    world.time.advanceTo(nine);
    EXPECT_TRUE(acted.empty());
    EXPECT_TRUE(considered().empty());
    ASSERT_EQ(traced("dropped").size(), 2u);
    EXPECT_EQ(traced("dropped")[0].at("event"), "display(D2)");
    EXPECT_EQ(traced("dropped")[1].at("event"), "time");
    EXPECT_EQ(driver->timeCueDeadline(), nine + week);

    // Resumed, the watch already knows D2: only a new display counts.
    paused = false;
    observe(test::displays({"D1", "D2"}));
    EXPECT_TRUE(acted.empty());
}

TEST_F(CueDriverTest, TheTimerWaitsForTheEarliestTimeCueOfALiveRoutine) {
    const Date now = world.time.clock().now();
    const Cue tuesdayEight{Cue::Time{{3}, 8 * 60}};
    const Cue everyDayTen{Cue::Time{{1, 2, 3, 4, 5, 6, 7}, 10 * 60}};
    const struct {
        const char* name;
        std::function<void()> setUp;
        std::optional<Date> deadline;
    } cases[] = {
        {"no mode", [&] { routine("made:A", {mondayNine}); }, mondayNine.next(now, calendar)},
        {"ask", [&] { routine("made:A", {mondayNine}, RoutineEdits::Mode::ask); },
         mondayNine.next(now, calendar)},
        {"off", [&] { routine("made:A", {mondayNine}, RoutineEdits::Mode::off); }, std::nullopt},
        {"deleted", [&] { routine("made:A", {mondayNine}, std::nullopt, true); }, std::nullopt},
        {"no time cue",
         [&] {
             routine("made:A", {Cue{Cue::WiFi{"n", "N"}}});
         },
         std::nullopt},
        {"no weekdays",
         [&] {
             routine("made:A", {Cue{Cue::Time{{}, 600}}});
         },
         std::nullopt},
        {"the earliest of all",
         [&] {
             routine("made:A", {tuesdayEight, everyDayTen});
             routine("made:B", {mondayNine}, RoutineEdits::Mode::off);
             routine("made:C", {mondayNine});
         },
         mondayNine.next(now, calendar)},
        {"the earliest of the live ones",
         [&] {
             routine("made:A", {tuesdayEight, everyDayTen});
             routine("made:B", {mondayNine}, RoutineEdits::Mode::off);
         },
         everyDayTen.next(now, calendar)},
    };
    start();
    for (const auto& c : cases) {
        for (const auto& [id, edits] : world.store.routineEdits()) {
            world.store.deleteEdits(id);
        }
        c.setUp();
        driver->scheduleTimeCues();
        EXPECT_EQ(driver->timeCueDeadline(), c.deadline) << c.name;
    }
    // Re-arming replaces the timer: only one fires.
    routine("made:C", {mondayNine});
    driver->scheduleTimeCues();
    driver->scheduleTimeCues();
    world.time.advanceTo(*mondayNine.next(now, calendar) + 1);
    EXPECT_EQ(acted.size(), 1u);
}

TEST_F(CueDriverTest, EditsThatCannotBeReadArmNothing) {
    routine("made:A", {mondayNine});
    start();
    ASSERT_TRUE(driver->timeCueDeadline());
    // Armed at construction, before the trace was set, and still reported to it.
    ASSERT_EQ(traced("timer").size(), 1u);
    EXPECT_EQ(traced("timer")[0].at("deadline"), *truncatedMilliseconds(*driver->timeCueDeadline()));
    test::RawDatabase(world.dir / "quev.sqlite").exec("DROP TABLE routine_edits");
    driver->scheduleTimeCues();
    EXPECT_EQ(driver->timeCueDeadline(), std::nullopt);
    EXPECT_EQ(world.time.pending(), 0u);
}

// The machine sleeps across the deadline and wakes this many seconds after it.
TEST_F(CueDriverTest, ATimeCueLateBy300SecondsIsSkippedAndTheNextArmed) {
    routine("made:A", {mondayNine});
    start();
    const Date nine = *driver->timeCueDeadline();
    const struct {
        double late;
        bool considered;
    } cases[] = {{0, true}, {299, true}, {300, false}, {3'600, false}};
    Date deadline = nine;
    for (const auto& c : cases) {
        acted.clear();
        effects.clear();
        world.time.advanceTo(deadline - 10);
        world.time.sleep(10 + c.late);
        world.settle();
        EXPECT_EQ(acted.size(), c.considered ? 1u : 0u) << c.late;
        if (c.considered) {
            // At the scheduled minute, not the moment of waking.
            ASSERT_EQ(traced("cue").size(), 1u) << c.late;
            EXPECT_EQ(traced("cue")[0].at("at"), *truncatedMilliseconds(deadline)) << c.late;
            EXPECT_EQ(acted[0].routine, "made:A");
        } else {
            ASSERT_EQ(traced("dropped").size(), 1u) << c.late;
            EXPECT_EQ(traced("dropped")[0].at("reason"), "late") << c.late;
        }
        deadline += week;
        EXPECT_EQ(driver->timeCueDeadline(), deadline) << c.late;
    }
    // Once per deadline: an hour later still nothing more.
    acted.clear();
    world.time.advance(3'600);
    EXPECT_TRUE(acted.empty());
}

TEST_F(CueDriverTest, TheTimerFollowsTheWallClockWhenItIsSet) {
    routine("made:A", {mondayNine});
    start();
    const Date nine = *driver->timeCueDeadline();

    // Set back an hour just before nine: nothing fires at the old moment, it waits for nine.
    world.time.advanceTo(nine - 60);
    world.time.setWall(nine - 3'660);
    world.time.advance(3'000);
    EXPECT_TRUE(considered().empty());
    world.time.advanceTo(nine);
    ASSERT_EQ(acted.size(), 1u);
    EXPECT_EQ(traced("cue").at(0).at("at"), *truncatedMilliseconds(nine));

    // Set forward past the next deadline: it fires once, too late to count, and the one after is armed.
    effects.clear();
    world.time.setWall(nine + week + 600);
    world.time.advance(60);
    EXPECT_EQ(acted.size(), 1u);
    ASSERT_EQ(traced("dropped").size(), 1u);
    EXPECT_EQ(traced("dropped")[0].at("reason"), "late");
    EXPECT_EQ(driver->timeCueDeadline(), nine + 2 * week);
}

TEST_F(CueDriverTest, ATimeCueNeedsTheUserAtAnUnlockedScreen) {
    routine("made:A", {mondayNine});
    start();
    const struct {
        const char* name;
        std::function<void()> setUp;
        std::optional<std::string> dropped; // the reason; none: considered
    } cases[] = {
        {"idle 300 s", [&] { world.machine.setIdle(300); }, std::nullopt},
        {"idle 301 s", [&] { world.machine.setIdle(301); }, "idle"},
        {"locked", [&] { world.machine.lock(); }, "locked"},
        // Lateness is tested first, then the lock, then idleness.
        {"locked and idle",
         [&] {
             world.machine.lock();
             world.machine.setIdle(4'000);
         },
         "locked"},
    };
    for (const auto& c : cases) {
        world.machine.unlock();
        world.machine.setIdle(0);
        c.setUp();
        acted.clear();
        effects.clear();
        const Date deadline = *driver->timeCueDeadline();
        world.time.advanceTo(deadline);
        EXPECT_EQ(acted.size(), c.dropped ? 0u : 1u) << c.name;
        if (c.dropped) {
            ASSERT_EQ(traced("dropped").size(), 1u) << c.name;
            EXPECT_EQ(traced("dropped")[0].at("reason"), *c.dropped) << c.name;
        }
        EXPECT_EQ(driver->timeCueDeadline(), deadline + week) << c.name;
    }
}

TEST_F(CueDriverTest, NothingArrivesOnceTheDriverIsGone) {
    routine("made:Desk", {Cue{Cue::Display{"D2", ""}}, mondayNine});
    start();
    observe(test::displays({"D1"}));
    // An observation on its way to the main executor when the driver goes.
    world.writer().write({0, Signal::displays, test::displays({"D1", "D2"}).payload});
    world.writer().flush();
    driver.reset();
    world.settle();
    EXPECT_TRUE(acted.empty());
    EXPECT_EQ(world.time.pending(), 0u);
}

} // namespace
} // namespace ostrel
