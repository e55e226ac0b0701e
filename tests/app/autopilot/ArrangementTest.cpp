// Placing a routine's windows in virtual time: the passes, the reports before each move, stopping.

#include "app/autopilot/Arrangement.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Placement = RoutineEdits::Placement;

MachineState::Window window(std::uint64_t id, Rect frame, std::string subrole = accessibility::standardWindow) {
    MachineState::Window made;
    made.id = id;
    made.subrole = std::move(subrole);
    made.frame = frame;
    return made;
}

MachineState::App app(int pid, std::string bundleID, std::vector<MachineState::Window> windows) {
    MachineState::App made;
    made.pid = pid;
    made.bundleID = std::move(bundleID);
    made.windows = std::move(windows);
    if (!made.windows.empty()) {
        made.focusedWindow = made.windows.front().id;
    }
    return made;
}

constexpr int writer = 2001;
constexpr int notes = 2002;
constexpr int slow = 2003;    // running, no window yet
constexpr int palette = 2004; // running, only a panel and a dialog
const WindowElement writerWindow{writer, 7};
const WindowElement notesWindow{notes, 8};
const WindowElement paletteWindow{palette, 9};
const Rect writerFrame{100, 100, 600, 400};
const Rect notesFrame{50, 60, 300, 200};
// One 1,440 × 900 screen with a 25-point bar on top: usable from y 25 down, 875 high.
const Rect leftHalf{0, 25, 720, 875};
const Rect rightHalf{720, 25, 720, 875};
const Rect whole{0, 25, 1440, 875};

class ArrangementTest : public ::testing::Test {
protected:
    struct Report {
        WindowElement window;
        Rect former;
        std::optional<Rect> frameWhenTold;
        friend bool operator==(const Report&, const Report&) = default;
    };

    ArrangementTest() { machine.setState(initialState()); }

    static MachineState initialState() {
        MachineState state = MachineState::withOwnApp();
        MachineState::Display screen;
        screen.id = "eDP-1";
        screen.frame = {0, 0, 1440, 900};
        screen.usableFrame = Rect{0, 0, 1440, 875};
        state.displays.push_back(screen);
        state.apps.push_back(app(writer, "org.example.Writer", {window(7, writerFrame)}));
        state.apps.push_back(app(notes, "org.example.Notes", {window(8, notesFrame)}));
        state.apps.push_back(app(slow, "org.example.Slow", {}));
        state.apps.push_back(app(palette, "org.example.Palette",
                                 {window(9, {5, 5, 200, 300}, "AXFloatingWindow"), window(10, {9, 9, 90, 90}, "AXDialog")}));
        state.nextWindowID = 20;
        return state;
    }

    std::unique_ptr<Arrangement> start(const RoutineEdits::Layout& layout) {
        return Arrangement::start(layout, machine.workspace(), machine.accessibility(), machine.displays(), main,
                                  [this](WindowElement moved, Rect former) {
                                      reports.push_back({moved, former, frameOf(moved)});
                                      if (onMoved) {
                                          onMoved();
                                      }
                                  });
    }

    std::optional<Rect> frameOf(WindowElement element) const { return machine.state().findWindow(element)->frame; }

    WindowElement openSlowWindow(Rect frame) {
        MachineState::Window shown;
        shown.frame = frame;
        return machine.openWindow(slow, shown);
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    std::vector<Report> reports;
    std::function<void()> onMoved;
};

TEST_F(ArrangementTest, EachWindowIsReportedWhereItWasThenMovedInOnePass) {
    auto arrangement = start({{"org.example.Writer", Placement::left()}, {"org.example.Notes", Placement::right()}});
    EXPECT_TRUE(reports.empty()) << "the first pass runs on the executor, not inside start()";
    EXPECT_TRUE(arrangement->isRunning());

    time.settle();
    EXPECT_EQ(reports, (std::vector<Report>{{notesWindow, notesFrame, notesFrame}, {writerWindow, writerFrame, writerFrame}}))
        << "in the layout's order, each before its window moves";
    EXPECT_EQ(frameOf(writerWindow), leftHalf);
    EXPECT_EQ(frameOf(notesWindow), rightHalf);
    EXPECT_FALSE(arrangement->isRunning());

    time.advance(30);
    EXPECT_EQ(machine.calls("runningApps"), 1) << "nothing left pending: no second pass";
    EXPECT_EQ(machine.calls("setSize"), 4);
    EXPECT_EQ(machine.calls("setPosition"), 2);
}

// Entries that are done after one look although nothing moves.
TEST_F(ArrangementTest, AWindowAtItsTargetOrWithoutOneIsNeitherMovedNorReported) {
    struct Case {
        std::string name;
        std::function<void(SimulatedMachine&)> prepare;
        Placement placement;
    };
    const std::vector<Case> cases = {
        {"already on the left half",
         [](SimulatedMachine& m) {
             m.moveWindow(writerWindow, leftHalf.x, leftHalf.y);
             m.resizeWindow(writerWindow, leftHalf.width, leftHalf.height);
         },
         Placement::left()},
        {"already at its stored frame", [](SimulatedMachine&) {}, Placement::frame({100, 100, 600, 400})},
        {"a stored frame off the only screen", [](SimulatedMachine&) {}, Placement::frame({2000, 100, 600, 400})},
        {"no screen at all", [](SimulatedMachine& m) { m.disconnectDisplay("eDP-1"); }, Placement::full()},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        machine.setState(initialState());
        test.prepare(machine);
        const std::optional<Rect> before = frameOf(writerWindow);
        machine.resetCalls();
        auto arrangement = start({{"org.example.Writer", test.placement}});
        time.advance(30);
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(frameOf(writerWindow), before);
        EXPECT_EQ(machine.calls("setSize") + machine.calls("setPosition"), 0);
        EXPECT_EQ(machine.calls("runningApps"), 1) << "the entry is done, not tried again";
    }
}

TEST_F(ArrangementTest, AWindowShowingAfterThreeSecondsIsPlacedByTheNextPass) {
    auto arrangement = start({{"org.example.Slow", Placement::right()}});
    // Steps that add up exactly in binary, so the pass at 3.5 s is neither early nor late.
    time.advance(3.25);
    const Rect shownAt{10, 10, 400, 300};
    const WindowElement shown = openSlowWindow(shownAt);
    time.advance(0.125);
    EXPECT_EQ(frameOf(shown), shownAt) << "3.375 s: no pass since it showed";
    EXPECT_TRUE(reports.empty());

    time.advance(0.125);
    EXPECT_EQ(frameOf(shown), rightHalf) << "the pass at 3.5 s";
    EXPECT_EQ(reports, (std::vector<Report>{{shown, shownAt, shownAt}}));
    EXPECT_EQ(machine.calls("runningApps"), 8) << "passes at 0, 0.5 ... 3.5 s";

    machine.moveWindow(shown, 3, 3); // the student moves it away again
    time.advance(30);
    EXPECT_EQ(frameOf(shown), (Rect{3, 3, 720, 875})) << "a placed window is left to the student";
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ArrangementTest, AnAppWithOnlyAPanelAndAnAppNotRunningAreDroppedAfterTwentyPasses) {
    auto arrangement = start({{"org.example.Palette", Placement::full()}, {"org.example.Absent", Placement::left()}});
    time.advance(9.25);
    EXPECT_EQ(machine.calls("runningApps"), 19);
    EXPECT_TRUE(arrangement->isRunning());
    time.advance(0.25);
    EXPECT_EQ(machine.calls("runningApps"), 20);
    EXPECT_FALSE(arrangement->isRunning());
    EXPECT_EQ(time.pending(), 0u) << "no timer left behind";

    // A standard window that shows after the last pass is not placed any more.
    machine.openWindow(palette, window(0, {1, 2, 30, 40}));
    time.advance(60);
    EXPECT_EQ(machine.calls("runningApps"), 20);
    EXPECT_EQ(machine.calls("setSize") + machine.calls("setPosition"), 0);
    EXPECT_EQ(frameOf(paletteWindow), (Rect{5, 5, 200, 300}));
    EXPECT_TRUE(reports.empty());
}

// An undo one second into the placement, before the window shows at 3 s, leaves that window alone.
TEST_F(ArrangementTest, StoppedOrDestroyedBetweenPassesNoPassRunsAgain) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped");
        machine.resetCalls();
        auto arrangement = start({{"org.example.Slow", Placement::left()}});
        time.advance(1.0);
        EXPECT_EQ(machine.calls("runningApps"), 3);
        if (destroy) {
            arrangement.reset();
        } else {
            arrangement->stop();
            EXPECT_FALSE(arrangement->isRunning());
        }
        time.advance(2.0);
        const Rect shownAt{10, 10, 400, 300};
        const WindowElement shown = openSlowWindow(shownAt);
        time.advance(30);
        EXPECT_EQ(machine.calls("runningApps"), 3);
        EXPECT_EQ(frameOf(shown), shownAt);
        EXPECT_TRUE(reports.empty());
        machine.closeWindow(shown);
    }
}

// Undoing the run from inside its report: the reported window stays, later ones are not looked at.
TEST_F(ArrangementTest, StoppedOrDestroyedInsideTheReportNothingMoves) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped");
        machine.resetCalls();
        reports.clear();
        auto arrangement = start({{"org.example.Notes", Placement::right()}, {"org.example.Writer", Placement::left()}});
        onMoved = [&] {
            if (destroy) {
                arrangement.reset();
            } else {
                arrangement->stop();
            }
        };
        time.advance(30);
        EXPECT_EQ(reports, (std::vector<Report>{{notesWindow, notesFrame, notesFrame}}));
        EXPECT_EQ(frameOf(notesWindow), notesFrame);
        EXPECT_EQ(frameOf(writerWindow), writerFrame);
        EXPECT_EQ(machine.calls("setSize") + machine.calls("setPosition"), 0);
        EXPECT_EQ(machine.calls("runningApps"), 1);
        onMoved = nullptr;
    }
}

TEST_F(ArrangementTest, AWindowWhoseFrameCannotBeReadIsMovedWithoutAReport) {
    machine.failCalls("frame", 1);
    auto arrangement = start({{"org.example.Writer", Placement::full()}});
    time.settle();
    EXPECT_TRUE(reports.empty()) << "nothing to put it back to";
    EXPECT_EQ(frameOf(writerWindow), whole);
}

TEST_F(ArrangementTest, AnEmptyLayoutRunsNoPass) {
    auto arrangement = start({});
    EXPECT_FALSE(arrangement->isRunning());
    time.advance(5);
    EXPECT_EQ(machine.calls("runningApps"), 0);
}

TEST_F(ArrangementTest, RestoreSetsTheSizeThenThePositionThenTheSizeAgain) {
    std::vector<std::string> notices;
    auto observer = machine.accessibility().observe(writer, main, [&](const std::string& name, WindowElement) {
        notices.push_back(name);
    });
    ASSERT_TRUE(observer);
    ASSERT_TRUE(observer->add(writerWindow, accessibility::windowMoved));
    ASSERT_TRUE(observer->add(writerWindow, accessibility::windowResized));

    Arrangement::restore(machine.accessibility(), writerWindow, {-300, 40, 640, 480});
    time.settle();
    EXPECT_EQ(frameOf(writerWindow), (Rect{-300, 40, 640, 480}));
    EXPECT_EQ(notices, (std::vector<std::string>{accessibility::windowResized, accessibility::windowMoved,
                                                 accessibility::windowResized}));
}

} // namespace
} // namespace ostrel
