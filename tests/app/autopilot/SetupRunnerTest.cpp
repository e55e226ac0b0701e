// Setting up for a routine on the simulated machine in virtual time: what opens, what comes
// forward, what is put away, muted and placed, and how tidy-up and undo put it back.

#include "app/autopilot/SetupRunner.hpp"

#include "core/learning/RunPayload.hpp"
#include "support/Items.hpp"
#include "support/LogCapture.hpp"
#include "support/ObserverWorld.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::app;
using test::document;
using test::note;
using test::page;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int browserPid = 2001;
constexpr int chatPid = 2002;
constexpr int editorPid = 2003;
const std::string browser = "org.example.Browser";
const std::string chat = "org.example.Chat";
const std::string editor = "org.example.Editor"; // opens .txt, already running
const std::string writer = "org.example.Writer"; // installed, starts in 1 s
const std::string viewer = "org.example.Viewer"; // opens .pdf, installed, starts in 0.5 s
const std::string slow = "org.example.Slow";     // installed, its window shows 3 s after it starts
const Rect slowFrame{300, 300, 500, 400};
// One 1,440 × 900 screen with a 25-point bar on top.
const Rect leftHalf{0, 25, 720, 875};

MachineState::App running(int pid, const std::string& bundleID) {
    MachineState::App made;
    made.pid = pid;
    made.bundleID = bundleID;
    MachineState::Window window;
    window.id = static_cast<std::uint64_t>(pid);
    window.frame = Rect{10, 40, 400, 300};
    made.windows.push_back(window);
    made.focusedWindow = window.id;
    return made;
}

MachineState::InstalledApp installed(const std::string& appID, double launchDelay, double windowDelay = 0) {
    MachineState::InstalledApp made;
    made.appID = appID;
    made.launchDelay = launchDelay;
    made.windowDelay = windowDelay;
    MachineState::Window window;
    window.frame = slowFrame;
    made.windows.push_back(window);
    return made;
}

MachineState machineState() {
    MachineState state = MachineState::withOwnApp();
    state.apps.push_back(running(browserPid, browser));
    state.apps.push_back(running(chatPid, chat));
    state.apps.push_back(running(editorPid, editor));
    state.frontPid = chatPid;
    state.nextPid = 3000;
    state.installed = {installed(writer, 1), installed(viewer, 0.5), installed(slow, 0.5, 3),
                       installed("org.example.Ftp", 0)};
    state.defaultHandlers = {{"http", browser}, {"https", browser}, {"ftp", "org.example.Ftp"}, {"file", browser}};
    state.documentHandlers = {{"txt", editor}, {"pdf", viewer}};
    state.documents = {"/home/student/essay.txt", "/home/student/notes.pdf", "/home/student/odd.xyz"};
    MachineState::Display screen;
    screen.id = "eDP-1";
    screen.frame = {0, 0, 1440, 900};
    screen.usableFrame = Rect{0, 0, 1440, 875};
    state.displays.push_back(screen);
    MachineState::AudioDevice speakers;
    speakers.id = "speakers";
    speakers.name = "Speakers";
    state.audioDevices.push_back(speakers);
    state.defaultOutput = "speakers";
    return state;
}

Routine routine(std::vector<Item> items, RoutineEdits edits = {}) {
    Routine made{ContextKey::made("R1")};
    made.items = std::move(items);
    made.edits = std::move(edits);
    return made;
}

class SetupRunnerTest : public ::testing::Test {
protected:
    SetupRunnerTest() {
        world.startWriterOnly();
        makeRunner();
    }

    void makeRunner() {
        runner = std::make_unique<SetupRunner>(
            world.writer(), ledger,
            SetupRunner::Roles{world.machine.workspace(), world.machine.audio(), world.machine.accessibility(),
                               world.machine.displays(), shortcuts},
            world.runtime.main(), world.random);
    }

    Date now() const { return world.time.clock().now(); }

    SetupRunner::Run run(const Routine& routine, double triggerAge = 10, bool bringToFront = false) {
        return runner->run(routine, "Maths", {}, now() - triggerAge, false, bringToFront);
    }

    // The run's payload as written.
    RunPayload payload() {
        const std::vector<std::string> rows = world.rows({Signal::quevRun});
        EXPECT_EQ(rows.size(), 1u);
        return RunPayload::fromJSON(json::parse(rows.back().substr(rows.back().find(' ') + 1)));
    }

    std::optional<int> pidOf(const std::string& appID) {
        const MachineState state = world.machine.state();
        const MachineState::App* found = state.findAppByID(appID);
        return found == nullptr ? std::nullopt : std::optional(found->pid);
    }

    std::optional<std::string> front() {
        const MachineState state = world.machine.state();
        const MachineState::App* found = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
        return found == nullptr ? std::nullopt : found->bundleID;
    }

    std::optional<Rect> frameOf(const std::string& appID) {
        const MachineState state = world.machine.state();
        const MachineState::App* found = state.findAppByID(appID);
        if (found == nullptr || found->windows.empty()) {
            return std::nullopt;
        }
        return found->windows.front().frame;
    }

    test::ObserverWorld world{machineState()};
    RunLedger ledger;
    Shortcuts shortcuts{world.machine.commands()};
    std::unique_ptr<SetupRunner> runner;
};

TEST_F(SetupRunnerTest, ARoutineWhoseAppsAllRunOpensNothingAndBringsNothingForward) {
    const SetupRunner::Run made = run(routine({app(browser), app(chat), app(editor)}), 0, true);
    world.time.advance(5);

    EXPECT_THAT(made.opened, IsEmpty());
    EXPECT_EQ(front(), chat);
    EXPECT_EQ(world.machine.state().apps.size(), 4u);
    const RunPayload written = payload();
    EXPECT_THAT(written.items, IsEmpty());
    EXPECT_EQ(written.run, made.id);
    EXPECT_EQ(written.routine, ContextKey::made("R1").id());
    EXPECT_EQ(written.hid, 0);
    EXPECT_EQ(written.arranged, 0);
    EXPECT_EQ(written.muted, false);
}

TEST_F(SetupRunnerTest, RunIDsAreFreshUpperCaseUUIDs) {
    const SetupRunner::Run first = run(routine({}));
    const SetupRunner::Run second = run(routine({}));
    EXPECT_NE(first.id, second.id);
    for (const std::string& id : {first.id, second.id}) {
        ASSERT_EQ(id.size(), 36u);
        EXPECT_EQ(id.find_first_of("abcdef"), std::string::npos) << id;
    }
}

struct ActivationCase {
    const char* name;
    std::vector<Item> items;
    double triggerAge;
    bool bringToFront;
    std::string front;
};

class SetupRunnerActivationTest : public SetupRunnerTest, public ::testing::WithParamInterface<ActivationCase> {};

TEST_P(SetupRunnerActivationTest, OnlyARecentTriggerBringsAppsAndDocumentsForward) {
    const ActivationCase& c = GetParam();
    const SetupRunner::Run made = run(routine(c.items), c.triggerAge, c.bringToFront);
    world.time.advance(5);
    EXPECT_EQ(made.opened, c.items);
    EXPECT_EQ(front(), c.front);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupRunnerActivationTest,
    ::testing::Values(ActivationCase{"launch2_9", {app(writer)}, 2.9, true, writer},
                      ActivationCase{"launch3_0", {app(writer)}, 3.0, true, chat},
                      ActivationCase{"launchNotAsked", {app(writer)}, 0, false, chat},
                      ActivationCase{"document2_9", {document("/home/student/notes.pdf")}, 2.9, true, viewer},
                      ActivationCase{"document3_0", {document("/home/student/notes.pdf")}, 3.0, true, chat},
                      ActivationCase{"runningDocumentApp2_9", {document("/home/student/essay.txt")}, 2.9, true, editor},
                      ActivationCase{"pageNever", {page("https://example.org/maths")}, 0, true, chat}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupRunnerTest, OnlyWebPagesAndPresentDocumentsWithAHandlerOpen) {
    const std::vector<Item> items = {page("ftp://files.example.org/sheet"),
                                     page("file:///home/student/essay.txt"),
                                     page("httpx://example.org/"),
                                     page("http+unix://%2Frun%2Fsock/"),
                                     page("HTTPS://example.org/Maths"),
                                     page("http://example.org/plain"),
                                     page("example.org/no-scheme"),
                                     note("Homework"),
                                     document("/home/student/odd.xyz"),
                                     document("/home/student/missing.txt"),
                                     app("org.example.NotInstalled")};
    const SetupRunner::Run made = run(routine(items));
    world.time.advance(5);

    EXPECT_EQ(made.opened, (std::vector<Item>{page("HTTPS://example.org/Maths"), page("http://example.org/plain")}));
    EXPECT_EQ(payload().items, (std::vector<std::string>{"page:HTTPS://example.org/Maths", "page:http://example.org/plain"}));
    std::vector<std::string> opened;
    for (const auto& url : world.machine.state().openedURLs) {
        opened.push_back(url.url);
    }
    EXPECT_THAT(opened, ElementsAre("HTTPS://example.org/Maths", "http://example.org/plain"));
    EXPECT_FALSE(pidOf("org.example.Ftp"));
}

TEST_F(SetupRunnerTest, AnOpenTheSystemRefusesAtOnceIsNotListedAndALateFailureIsLogged) {
    test::LogCapture logs;
    MachineState::InstalledApp broken = installed("org.example.Broken", 0.5);
    broken.launchError = "damaged";
    world.machine.installApp(broken);
    world.machine.failCalls("openPage", 1);

    const SetupRunner::Run made = run(routine({page("https://example.org/"), app("org.example.Broken")}));
    world.time.advance(2);

    // The refused page is not listed; the launch that failed later was asked for, so it is.
    EXPECT_EQ(made.opened, std::vector<Item>{app("org.example.Broken")});
    EXPECT_EQ(payload().items, std::vector<std::string>{"app:org.example.Broken"});
    std::vector<std::string> errors;
    for (const LogEntry& entry : logs.entries()) {
        if (entry.category == "runs" && entry.level == LogLevel::error) {
            errors.push_back(entry.format);
        }
    }
    EXPECT_THAT(errors, ElementsAre("Couldn't open an Item: %@", "Couldn't open %s: %@"));
    EXPECT_THAT(ledger.apps(made.id), IsEmpty());
}

TEST_F(SetupRunnerTest, PutAwayHidesOtherAppsButNeverTheRoutinesOwn) {
    RoutineEdits edits;
    edits.putAway = {browser, chat, "org.example.NotRunning"};
    const SetupRunner::Run made = run(routine({app(browser)}, edits));

    const MachineState state = world.machine.state();
    EXPECT_FALSE(state.findApp(browserPid)->hidden);
    EXPECT_TRUE(state.findApp(chatPid)->hidden);
    ASSERT_EQ(made.hid.size(), 1u);
    EXPECT_EQ(made.hid[0].pid, chatPid);
    EXPECT_EQ(payload().hid, 1);

    runner->tidyUp(made);
    EXPECT_FALSE(world.machine.state().findApp(chatPid)->hidden);
}

struct MuteCase {
    const char* name;
    std::optional<bool> startsMuted; // absent: the device has no mute control
    bool runMutes;
};

class SetupRunnerMuteTest : public SetupRunnerTest, public ::testing::WithParamInterface<MuteCase> {};

TEST_P(SetupRunnerMuteTest, OnlyARunThatMutedUnmutesAfterwards) {
    const MuteCase& c = GetParam();
    MachineState::AudioDevice speakers = world.machine.state().audioDevices.front();
    speakers.muted = c.startsMuted;
    world.machine.addAudioDevice(speakers);
    RoutineEdits edits;
    edits.mute = true;

    for (const bool undo : {false, true}) {
        const SetupRunner::Run made = run(routine({}, edits));
        EXPECT_EQ(made.wasMuted, c.runMutes ? std::optional(false) : std::nullopt);
        EXPECT_EQ(made.mutedDevice, c.runMutes ? std::optional<std::string>("speakers") : std::nullopt);
        EXPECT_EQ(world.machine.state().audioDevices.front().muted, c.runMutes ? std::optional(true) : c.startsMuted);
        const int setsBefore = world.machine.calls("setMuted");
        if (undo) {
            runner->undo(made);
        } else {
            runner->tidyUp(made);
        }
        EXPECT_EQ(world.machine.state().audioDevices.front().muted, c.startsMuted);
        EXPECT_EQ(world.machine.calls("setMuted") - setsBefore, c.runMutes ? 1 : 0);
    }
    for (const std::string& row : world.rows({Signal::quevRun})) {
        EXPECT_NE(row.find(c.runMutes ? "\"muted\":true" : "\"muted\":false"), std::string::npos) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SetupRunnerMuteTest,
                         ::testing::Values(MuteCase{"audible", false, true}, MuteCase{"alreadyMuted", true, false},
                                           MuteCase{"noMuteControl", std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupRunnerTest, UnmuteReachesTheDeviceTheRunMutedEvenAfterTheDefaultChanged) {
    MachineState::AudioDevice headphones;
    headphones.id = "headphones";
    headphones.name = "Headphones";
    world.machine.addAudioDevice(headphones);
    RoutineEdits edits;
    edits.mute = true;
    const SetupRunner::Run made = run(routine({}, edits));
    world.machine.setDefaultOutput("headphones");

    runner->undo(made);
    const MachineState state = world.machine.state();
    EXPECT_EQ(state.audioDevices[0].muted, std::optional(false));
    EXPECT_EQ(state.audioDevices[1].muted, std::optional(false));
}

TEST_F(SetupRunnerTest, UndoQuitsOnlyTheAppsTheRunStarted) {
    SetupRunner::Run made =
        run(routine({document("/home/student/essay.txt"), document("/home/student/notes.pdf"), app(writer)}));
    world.time.advance(2);
    made.launched = ledger.apps(made.id);
    ASSERT_EQ(made.launched.size(), 2u);
    EXPECT_EQ(made.launched[0].appID, viewer); // launches are recorded in the order they completed
    EXPECT_EQ(made.launched[1].appID, writer);
    EXPECT_EQ(ledger.apps(made.id), made.launched); // reading does not consume

    runner->undo(made);
    EXPECT_EQ(pidOf(editor), editorPid);
    EXPECT_FALSE(pidOf(viewer));
    EXPECT_FALSE(pidOf(writer));
    EXPECT_EQ(world.rows({Signal::quevUndo}), std::vector<std::string>{"quev.undo {\"run\":\"" + made.id + "\"}"});
}

TEST_F(SetupRunnerTest, UndoNeverQuitsAnotherAppThatReusedTheLaunchedPid) {
    SetupRunner::Run made = run(routine({app(writer)}));
    world.time.advance(2);
    made.launched = ledger.apps(made.id);
    ASSERT_EQ(made.launched.size(), 1u);
    const int pid = made.launched[0].pid;
    // The app quits and another process of the same id comes up under the same pid.
    MachineState state = world.machine.state();
    state.findApp(pid)->serial += 100;
    world.machine.setState(state);

    runner->undo(made);
    EXPECT_EQ(pidOf(writer), pid);
}

TEST_F(SetupRunnerTest, TidyUpHidesWhatTheRunOpenedAndQuitsNothing) {
    SetupRunner::Run made = run(routine({app(writer), page("https://example.org/")}), 0, true);
    world.time.advance(2);
    made.launched = ledger.apps(made.id);
    runner->tidyUp(made);

    const MachineState state = world.machine.state();
    ASSERT_NE(state.findAppByID(writer), nullptr);
    EXPECT_TRUE(state.findAppByID(writer)->hidden);
    EXPECT_FALSE(state.findApp(browserPid)->hidden);
    EXPECT_EQ(world.rows({Signal::quevTidy}), std::vector<std::string>{"quev.tidy {\"run\":\"" + made.id + "\"}"});
}

TEST_F(SetupRunnerTest, ALayoutIsCountedWhetherOrNotWindowsCanBePlaced) {
    world.machine.setTrusted(false);
    RoutineEdits edits;
    edits.layout = {{browser, RoutineEdits::Placement::left()},
                    {chat, RoutineEdits::Placement::right()},
                    {editor, RoutineEdits::Placement::full()}};
    const SetupRunner::Run made = run(routine({}, edits));
    world.time.advance(12);

    EXPECT_FALSE(made.placementStarted);
    EXPECT_EQ(payload().arranged, 3);
    EXPECT_EQ(frameOf(browser), (Rect{10, 40, 400, 300}));
    EXPECT_THAT(ledger.moves(made.id), IsEmpty());
}

TEST_F(SetupRunnerTest, AWindowThatShowsLateIsPlacedAndItsFormerFrameKept) {
    RoutineEdits edits;
    edits.layout = {{slow, RoutineEdits::Placement::left()}};
    const SetupRunner::Run made = run(routine({app(slow)}, edits));
    EXPECT_TRUE(made.placementStarted);
    world.time.advance(3);
    ASSERT_TRUE(pidOf(slow));
    EXPECT_FALSE(frameOf(slow)); // started at 0.5 s, its window shows at 3.5 s
    world.time.advance(2);

    EXPECT_EQ(frameOf(slow), leftHalf);
    ASSERT_EQ(ledger.moves(made.id).size(), 1u);
    EXPECT_EQ(ledger.moves(made.id)[0].frame, slowFrame);
    EXPECT_EQ(ledger.moves(made.id), ledger.moves(made.id));

    SetupRunner::Run undone = made;
    undone.launched = {};
    runner->undo(undone);
    EXPECT_EQ(frameOf(slow), slowFrame);
}

TEST_F(SetupRunnerTest, UndoDuringPlacementLeavesAWindowThatShowsLaterAlone) {
    MachineState::InstalledApp stubborn = installed(slow, 0.5, 3);
    stubborn.refusesQuit = true; // so its window still shows after the undo
    world.machine.installApp(stubborn);
    RoutineEdits edits;
    edits.layout = {{slow, RoutineEdits::Placement::left()}};
    SetupRunner::Run made = run(routine({app(slow)}, edits));
    world.time.advance(1);
    made.launched = ledger.apps(made.id);
    runner->undo(made);
    world.time.advance(12);

    ASSERT_TRUE(pidOf(slow));
    EXPECT_EQ(frameOf(slow), slowFrame);
    EXPECT_THAT(ledger.moves(made.id), IsEmpty());
}

TEST_F(SetupRunnerTest, LaunchesThatFinishAfterTheRunnerIsGoneReachNoLedger) {
    const SetupRunner::Run made = run(routine({app(writer)}));
    runner.reset();
    world.time.advance(2);
    EXPECT_TRUE(pidOf(writer));
    EXPECT_THAT(ledger.apps(made.id), IsEmpty());
}

TEST_F(SetupRunnerTest, TheShortcutStartsWithoutWaiting) {
    MachineState state = world.machine.state();
    state.shortcuts = {"Focus"};
    world.machine.setState(state);
    RoutineEdits edits;
    edits.shortcut = "Focus";
    run(routine({}, edits));
    const auto runs = world.machine.commandsRun();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].arguments, (std::vector<std::string>{"run", "Focus"}));
    EXPECT_FALSE(runs[0].waited);
}

} // namespace
} // namespace ostrel
