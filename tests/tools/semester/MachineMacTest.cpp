#include "semester/MachineMac.hpp"

#include "core/browsing/WebPage.hpp"
#include "semester/SemesterGenerator.hpp"
#include "semester/SimulatedMac.hpp"
#include "support/ObserverWorld.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace ostrel::semester {
namespace {

// Two days from a Tuesday just after the virtual time's start, so that nothing acts before it.
SemesterOptions twoDays(std::uint64_t seed) {
    SemesterOptions options;
    options.days = 2;
    options.perDay = 250;
    options.seed = seed;
    options.year = 2025;
    options.month = 9;
    options.day = 16;
    return options;
}

bool anyContains(const std::vector<std::string>& rows, const std::string& needle) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const std::string& row) { return row.find(needle) != std::string::npos; });
}

// The student's two days on the machine with the application's observer watching: what the
// student did arrives through the application's own sources.
class MachineStudentTest : public ::testing::Test {
protected:
    void live(const SemesterOptions& options) {
        SemesterGenerator planner(options);
        courses = planner.courses();
        calendar = planner.calendar();
        MachineMac mac(world.machine, world.time, calendar, courses, options.seed);
        mac.onFirstBoot([&] {
            world.observer = std::make_unique<Observer>(
                world.store, world.runtime, world.platform, world.settings, world.random, "",
                ExclusionList::defaultList(), [&](const std::vector<Trigger>& fresh) {
                    const std::lock_guard lock(triggersLock);
                    for (const Trigger& trigger : fresh) {
                        triggers.push_back(trigger);
                        mac.noteTrigger(trigger.ts);
                    }
                });
            world.observer->start();
            world.settle();
        });
        SemesterGenerator student(options, mac);
        while (auto day = student.nextDay()) {
            recordedByStudent += day->observations.size() + day->triggers.size();
            ++days;
        }
        world.settle();
        rows = world.rows();
    }

    test::ObserverWorld world;
    std::vector<Course> courses;
    std::vector<CalendarEvent> calendar;
    std::mutex triggersLock;
    std::vector<Trigger> triggers;
    std::size_t recordedByStudent = 0;
    int days = 0;
    std::vector<std::string> rows;
};

TEST_F(MachineStudentTest, WhatTheStudentDoesIsObservedByTheApplicationAlone) {
    live(twoDays(5));
    ASSERT_EQ(days, 2);
    EXPECT_EQ(recordedByStudent, 0u);

    struct Expected {
        std::string needle;
        const char* what;
    };
    const std::vector<Expected> expected = {
        {"quev.start ", "the application started after the first boot"},
        {"app.launch ", "apps launched"},
        {"app.activate ", "apps activated"},
        {"window.open ", "windows opened"},
        {"system.wake ", "the machine woke"},
        {"screen.unlock ", "the student unlocked"},
        {"system.sleep ", "the machine slept"},
        {"screen.lock ", "the screen locked"},
        {"audio.devices ", "headphones or the display's audio came and went"},
        {"calendar.event_start ", "a class started"},
        {"browser.tab ", "pages in front"},
        {"displays ", "the displays"},
        {"audio ", "the audio output"},
        {"power ", "the power source"},
        {"wifi ", "the network"},
    };
    for (const Expected& row : expected) {
        EXPECT_TRUE(anyContains(rows, row.needle)) << row.what << ": no row starting " << row.needle;
    }
}

TEST_F(MachineStudentTest, ClassesBringUpTheirDocumentsAndPages) {
    live(twoDays(5));
    std::set<std::string> sites;
    bool documentWindow = false;
    for (const Course& course : courses) {
        if (const auto site = WebPage::site(course.page)) {
            sites.insert(*site);
        }
        for (const std::string& document : course.documents) {
            documentWindow = documentWindow || anyContains(rows, document.substr(document.rfind('/') + 1));
        }
        documentWindow = documentWindow || anyContains(rows, course.document.substr(course.document.rfind('/') + 1));
    }
    EXPECT_TRUE(documentWindow) << "no window showing a course document";
    bool classPage = false;
    for (const std::string& row : rows) {
        if (row.starts_with("browser.tab ")) {
            classPage = classPage || std::any_of(sites.begin(), sites.end(), [&](const std::string& site) {
                            return row.find(site) != std::string::npos;
                        });
        }
    }
    EXPECT_TRUE(classPage) << "no course page in front";

    std::set<Trigger::Kind> kinds;
    {
        const std::lock_guard lock(triggersLock);
        for (const Trigger& trigger : triggers) {
            kinds.insert(trigger.kind);
        }
    }
    for (const Trigger::Kind kind : {Trigger::Kind::wake, Trigger::Kind::unlock, Trigger::Kind::eventStart}) {
        EXPECT_TRUE(kinds.count(kind) != 0) << "no " << toString(kind) << " trigger";
    }
    // A class start is recorded at the event's start, as the calendar has it.
    bool atStart = false;
    for (const std::string& row : rows) {
        if (row.starts_with("calendar.event_start ")) {
            atStart = atStart || std::any_of(calendar.begin(), calendar.end(), [&](const CalendarEvent& event) {
                          return row.find(event.key) != std::string::npos &&
                                 row.find(std::to_string(event.start)) != std::string::npos;
                      });
        }
    }
    EXPECT_TRUE(atStart) << "no class start with its event's key and start";
}

// The machine after each day, as text, for a student of that seed.
std::vector<std::string> machineDays(std::uint64_t seed) {
    const SemesterOptions options = twoDays(seed);
    const SemesterGenerator planner(options);
    VirtualTime time;
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    MachineMac mac(machine, time, planner.calendar(), planner.courses(), seed);
    SemesterGenerator student(options, mac);
    std::vector<std::string> days;
    while (student.nextDay()) {
        days.push_back(json::encode(machine.state().toJSON()) + " at " + std::to_string(mac.now()));
    }
    return days;
}

TEST(MachineMacTest, TheSameSeedActsTheSameOnTheMachine) {
    const std::vector<std::string> first = machineDays(11);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(machineDays(11), first);
    EXPECT_NE(machineDays(12), first);
}

// A Mac that counts the application's records it is asked for.
class CountingMac : public SimulatedMac {
public:
    using SimulatedMac::SimulatedMac;
    void recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) override {
        ++records;
        SimulatedMac::recordAnswer(t, routine, answer);
    }
    void recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                   const std::vector<std::string>& items, bool automatic) override {
        ++records;
        SimulatedMac::recordRun(t, run, routine, items, automatic);
    }
    void recordUndo(std::int64_t t, const std::string& run, bool tidy) override {
        ++records;
        SimulatedMac::recordUndo(t, run, tidy);
    }
    int records = 0;
};

TEST(MachineMacTest, AGivenMacIsNeverAskedForTheApplicationsRecords) {
    SemesterOptions options;
    options.days = 20; // well into the days the application asks and sets up by itself
    options.perDay = 60;
    options.seed = 3;
    const Semester scripted = generateSemester(options);
    const auto applicationRows = std::count_if(
        scripted.observations.begin(), scripted.observations.end(), [](const SignalObservation& observation) {
            return observation.signal == Signal::quevAnswer || observation.signal == Signal::quevRun;
        });
    ASSERT_GT(applicationRows, 0) << "the semester never reaches the application's own records";

    const SemesterGenerator planner(options);
    CountingMac mac(options.seed, planner.calendar());
    std::vector<SignalObservation> observations;
    std::vector<Trigger> triggers;
    mac.setOutput(observations, triggers);
    SemesterGenerator student(options, mac);
    int days = 0;
    while (auto day = student.nextDay()) {
        EXPECT_TRUE(day->observations.empty());
        ++days;
    }
    EXPECT_EQ(days, options.days);
    EXPECT_EQ(mac.records, 0);
    EXPECT_FALSE(observations.empty()) << "the given Mac was not driven";
}

// The network the machine has when it wakes, by where it slept and where it woke: carried
// elsewhere, it has lost the old one; the new one comes a moment later.
TEST(MachineMacTest, AMachineCarriedElsewhereWakesWithoutTheOldNetwork) {
    struct Case {
        Place slept;
        Place woke;
        std::optional<std::string> atWake;
    };
    const Case cases[] = {
        {Place::library, Place::campus, std::nullopt},
        {Place::home, Place::library, std::nullopt},
        {Place::campus, Place::campus, "eduroam"},
    };
    for (const Case& one : cases) {
        VirtualTime time;
        SimulatedMachine machine(MachineState::withOwnApp(), &time);
        Executor& main = time.makeExecutor("main");
        std::vector<std::optional<std::string>> atWake;
        const Subscription subscription = machine.workspace().subscribe(main, [&](const WorkspaceEvent& event) {
            if (event.kind == WorkspaceEvent::Kind::didWake) {
                atWake.push_back(machine.state().wifiNetwork);
            }
        });
        MachineMac mac(machine, time, {}, {}, 1);
        const std::int64_t start = mac.now() + 60'000;
        mac.boot(start, one.slept);
        mac.sleep(start + 600'000);
        mac.wake(start + 1'800'000, one.woke);
        time.settle();
        ASSERT_EQ(atWake.size(), 1u);
        EXPECT_EQ(atWake.front(), one.atWake) << static_cast<int>(one.slept) << " to " << static_cast<int>(one.woke);
        EXPECT_TRUE(machine.state().wifiNetwork.has_value());
    }
}

// The student looks before opening: what is already there is brought forward, not opened again.
struct LookFirst {
    const char* name;
    bool appRunning;
    bool windowOpen;
};

class MachineMacLookFirstTest : public ::testing::TestWithParam<LookFirst> {};

TEST_P(MachineMacLookFirstTest, OpensADocumentOnce) {
    const LookFirst& scene = GetParam();
    SemesterOptions options = twoDays(1);
    const SemesterGenerator planner(options);
    const Course& course = planner.courses().front();
    const std::string owner = SimulatedMac::appFor(course.document);
    VirtualTime time;
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    MachineMac mac(machine, time, {}, planner.courses(), 1);
    const std::int64_t start = mac.now() + 60'000;
    mac.boot(start, Place::home);
    if (scene.appRunning) {
        const int pid = machine.launch(owner);
        if (scene.windowOpen) {
            MachineState::Window window;
            window.document = course.document;
            machine.openWindow(pid, window);
        }
    }
    mac.activate(start + 10'000, "com.apple.Terminal");
    mac.openDocument(start + 20'000, course.document);
    mac.showPage(start + 30'000, course.page);
    mac.showPage(start + 40'000, course.page);
    mac.openDocument(start + 50'000, course.document);

    // The application opens documents by path, a desktop names them by file URL: either is the one.
    const auto shows = [&](const std::optional<std::string>& document) {
        return document == course.document || document == SimulatedMac::fileURL(course.document);
    };
    const MachineState state = machine.state();
    const MachineState::App* app = state.findAppByID(owner);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(std::count_if(app->windows.begin(), app->windows.end(),
                            [&](const MachineState::Window& window) { return shows(window.document); }),
              1);
    EXPECT_EQ(state.frontPid, app->pid);
    EXPECT_EQ(mac.front(), owner);
    ASSERT_TRUE(app->focusedWindow.has_value());
    EXPECT_TRUE(shows(state.findWindow({app->pid, *app->focusedWindow})->document));
    EXPECT_EQ(state.frontTabs.at(SimulatedMac::browser()).url, course.page);
    const MachineState::App* browser = state.findAppByID(SimulatedMac::browser());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->windows.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Scenes, MachineMacLookFirstTest,
                         ::testing::Values(LookFirst{"notRunning", false, false},
                                           LookFirst{"runningWithoutTheWindow", true, false},
                                           LookFirst{"windowAlreadyOpen", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace ostrel::semester
