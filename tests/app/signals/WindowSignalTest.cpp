// The window source, from the machine's accessibility notices to stored rows.

#include "app/signals/WindowSignal.hpp"

#include "support/ObserverWorld.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;

const std::set<Signal> windowSignals{Signal::windowFocus,  Signal::windowOpen,     Signal::windowClose,
                                     Signal::windowFrame,  Signal::windowMinimize, Signal::windowUnminimize,
                                     Signal::windowChange, Signal::windows};

MachineState::Window window(std::optional<std::string> title, std::optional<std::string> document, Rect frame,
                            std::string subrole = accessibility::standardWindow) {
    MachineState::Window made;
    made.title = std::move(title);
    made.document = std::move(document);
    made.frame = frame;
    made.subrole = std::move(subrole);
    return made;
}

MachineState::InstalledApp app(std::string id, std::vector<MachineState::Window> windows = {}) {
    MachineState::InstalledApp installed;
    installed.appID = std::move(id);
    installed.windows = std::move(windows);
    return installed;
}

class WindowSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.machine.installApp(app(
            "org.example.Writer", {window("Essay", "file:///home/s/Essay%20draft.odt", {10, 20, 800, 600})}));
        world.machine.installApp(
            app("com.apple.Notes", {window("Lab notes", std::nullopt, {0, 0, 400, 300})}));
        world.machine.installApp(app("com.apple.mail", {window("Inbox", std::nullopt, {0, 0, 500, 500})}));
        world.machine.installApp(app("com.google.Chrome", {window("Docs", std::nullopt, {0, 0, 900, 700})}));
        world.machine.setTrusted(true);
    }

    // Launches an app and lets the source pick it up.
    int launch(const std::string& id) {
        const int pid = world.machine.launch(id);
        world.time.advance(WindowSignal::launchDelay + 0.1);
        return pid;
    }

    WindowElement frontWindowOf(int pid) { return *world.machine.accessibility().focusedWindow(pid); }

    ObserverWorld world;
};

TEST_F(WindowSignalTest, FocusRecordsTheFrontWindowOnceWithItsDocumentPath) {
    world.startObserver();
    const int writer = launch("org.example.Writer");
    const int mail = launch("com.apple.mail");
    world.machine.activate(writer); // back to the same window: no second focus
    world.machine.activate(mail);
    world.machine.activate(writer);

    const std::string essay =
        R"({"bundleID":"org.example.Writer","document":"/home/s/Essay draft.odt","frame":{"height":600,"width":800,"x":10,"y":20}})";
    EXPECT_EQ(world.rows({Signal::windowFocus}), (std::vector<std::string>{"window.focus " + essay}));
}

TEST_F(WindowSignalTest, ADragSettlesIntoOneFrameAndACloseBeforeItIntoNone) {
    world.startObserver();
    const int writer = launch("org.example.Writer");
    const WindowElement essay = frontWindowOf(writer);
    // Three seconds of dragging, a move every 0.1 s.
    for (int step = 1; step <= 30; ++step) {
        world.machine.moveWindow(essay, 10 + step * 5, 20);
        world.time.advance(0.1);
    }
    world.time.advance(0.8);
    EXPECT_TRUE(world.rows({Signal::windowFrame}).empty()) << "recorded before it settled";
    world.time.advance(0.3);
    EXPECT_EQ(
        world.rows({Signal::windowFrame}),
        (std::vector<std::string>{
            R"(window.frame {"bundleID":"org.example.Writer","document":"/home/s/Essay draft.odt","frame":{"height":600,"width":800,"x":160,"y":20}})"}));

    // Dragged away and back to where it began: nothing.
    world.machine.moveWindow(essay, 400, 400);
    world.machine.moveWindow(essay, 160, 20);
    world.time.advance(2);
    EXPECT_EQ(world.rows({Signal::windowFrame}).size(), 1u);

    // Moved, then closed within the second: a close and no frame.
    world.machine.moveWindow(essay, 0, 0);
    world.time.advance(0.5);
    world.machine.closeWindow(essay);
    world.time.advance(2);
    EXPECT_EQ(world.rows({Signal::windowFrame}).size(), 1u);
    EXPECT_EQ(world.rows({Signal::windowClose}).size(), 1u);
}

TEST_F(WindowSignalTest, TitlesAreReadAndKeptOnlyForAppsWhoseTitlesNameTheItem) {
    world.startObserver();
    world.machine.resetCalls();
    const int writer = launch("org.example.Writer");
    EXPECT_EQ(world.machine.calls("title"), 0);
    const int notes = launch("com.apple.Notes");
    EXPECT_GT(world.machine.calls("title"), 0);

    // A new title in the front Notes window is a change; the same title again is not.
    world.machine.retitleWindow(frontWindowOf(notes), "Chemistry");
    world.machine.retitleWindow(frontWindowOf(notes), "Chemistry");
    // In a background window the description is updated silently.
    world.machine.changeDocument(frontWindowOf(writer), "file:///home/s/Other.odt", "Other");
    // A title change that leaves the document alone is no change.
    world.machine.activate(writer);
    world.machine.retitleWindow(frontWindowOf(writer), "Other (edited)");
    world.settle();

    EXPECT_EQ(
        world.rows({Signal::windowChange}),
        (std::vector<std::string>{
            R"(window.change {"bundleID":"com.apple.Notes","frame":{"height":300,"width":400,"x":0,"y":0},"title":"Chemistry"})"}));
    for (const std::string& row : world.rows(windowSignals)) {
        if (row.find("org.example.Writer") != std::string::npos) {
            EXPECT_EQ(row.find("\"title\""), std::string::npos) << row;
        }
    }
}

TEST_F(WindowSignalTest, SheetsExcludedAppsAndThisProcessAreNeverWatched) {
    world.machine.installApp(
        app("org.example.Dialogs", {window("Save", std::nullopt, {0, 0, 300, 200}, "AXDialog")}));
    world.startObserver();
    world.machine.resetCalls();
    launch("com.apple.mail");
    EXPECT_EQ(world.machine.calls("observe"), 0);
    launch("org.example.Dialogs");
    world.machine.sleep(60); // the wake snapshots the windows
    for (const std::string& row : world.rows(windowSignals)) {
        EXPECT_EQ(row.find("Dialogs"), std::string::npos) << row;
        EXPECT_EQ(row.find("com.apple.mail"), std::string::npos) << row;
    }
    EXPECT_EQ(world.rows({Signal::windows}).size(), 2u); // at the grant of trust and at the wake
}

TEST_F(WindowSignalTest, WithoutTrustNothingIsWatchedOrSnapshotted) {
    world.machine.setTrusted(false);
    world.startObserver();
    launch("org.example.Writer");
    world.machine.sleep(60);
    EXPECT_TRUE(world.rows(windowSignals).empty());
    EXPECT_EQ(world.machine.calls("observe"), 0);

    // Trust arrives: a second later every regular app is watched and a snapshot written.
    world.machine.setTrusted(true);
    world.time.advance(WindowSignal::trustDelay + 0.1);
    EXPECT_EQ(world.rows({Signal::windows}).size(), 1u);
}

TEST_F(WindowSignalTest, MinimisingCarriesTheFlagAndBringingBackDoesNot) {
    world.startObserver();
    const int writer = launch("org.example.Writer");
    const WindowElement essay = frontWindowOf(writer);
    world.machine.minimizeWindow(essay);
    world.machine.unminimizeWindow(essay);
    const auto rows = world.rows({Signal::windowMinimize, Signal::windowUnminimize});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].find(R"("minimized":true)"), std::string::npos) << rows[0];
    EXPECT_EQ(rows[1].find("minimized"), std::string::npos) << rows[1];
}

TEST_F(WindowSignalTest, ALaunchQuitBeforeItsWatchIsNeverWatched) {
    world.startObserver();
    world.machine.resetCalls();
    const int writer = world.machine.launch("org.example.Writer");
    world.time.advance(0.5);
    world.machine.quit(writer);
    world.time.advance(2);
    EXPECT_EQ(world.machine.calls("observe"), 0);
}

TEST_F(WindowSignalTest, BrowserWindowChangesAreReportedOnlyForTheFrontBrowser) {
    world.startObserver();
    std::vector<std::string> reported;
    WindowSignal windows(world.machine.accessibility(), world.machine.workspace(), world.observer->writer(),
                         world.time.clock(), world.runtime.queue("test.accessibility"), ExclusionList{},
                         [&](const std::string& id) { reported.push_back(id); });
    windows.start();
    const int chrome = launch("com.google.Chrome");
    const int writer = launch("org.example.Writer");
    world.settle();
    reported.clear();

    world.machine.retitleWindow(frontWindowOf(chrome), "Mail - inbox"); // in the background
    // A new window takes the focus inside the background browser: neither a focus nor a report.
    world.machine.openWindow(chrome, window("Lecture", std::nullopt, {50, 50, 900, 700}));
    world.time.advance(1);
    EXPECT_TRUE(reported.empty());
    const auto focusesBefore = world.rows({Signal::windowFocus}).size();

    world.machine.activate(chrome);
    world.machine.retitleWindow(frontWindowOf(chrome), "Lecture notes");
    world.settle();
    EXPECT_EQ(reported, (std::vector<std::string>{"com.google.Chrome", "com.google.Chrome"}));
    // Activating it records the focus it gained meanwhile (once from each of the two sources).
    EXPECT_EQ(world.rows({Signal::windowFocus}).size(), focusesBefore + 2);
    (void)writer;
    EXPECT_TRUE(world.rows({Signal::windowChange}).empty());
}

} // namespace
} // namespace ostrel
