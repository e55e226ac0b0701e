// Which window is an app's window, and where a placement puts it.

#include "app/autopilot/Windows.hpp"

#include "platform/sim/SimulatedMachine.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Placement = RoutineEdits::Placement;

Placement stored(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    return Placement::frame({x, y, width, height});
}

// A 1,439-point-wide screen with a menu bar, and a larger one to its right.
const Rect first{0, 25, 1439, 875};
const Rect second{1439, 0, 1920, 1080};

TEST(WindowsTarget, EachPlacementOnTheScreenHoldingMostOfTheWindow) {
    struct Case {
        std::string name;
        Placement placement;
        std::optional<Rect> current;
        std::vector<Rect> screens;
        std::optional<Rect> target;
    };
    const std::vector<Case> cases = {
        {"left half of an odd width rounds up", Placement::left(), Rect{10, 40, 300, 200}, {first, second},
         Rect{0, 25, 720, 875}},
        {"right half starts 719 in, overlapping the left by a point", Placement::right(), Rect{10, 40, 300, 200},
         {first, second}, Rect{719, 25, 720, 875}},
        {"full is the usable area", Placement::full(), Rect{2000, 100, 300, 200}, {first, second}, second},
        {"no current frame: the first screen", Placement::right(), std::nullopt, {second, first},
         Rect{2399, 0, 960, 1080}},
        {"a window off every screen: the first screen", Placement::left(), Rect{9000, 9000, 10, 10},
         {first, second}, Rect{0, 25, 720, 875}},
        {"across two screens: the larger share (left 139, right 661 wide)", Placement::left(),
         Rect{1300, 100, 800, 400}, {first, second}, Rect{1439, 0, 960, 1080}},
        {"across two screens: the larger share (left 439, right 361 wide)", Placement::full(),
         Rect{1000, 100, 800, 400}, {first, second}, first},
        {"an exact tie: the first listed", Placement::full(), Rect{1339, 100, 200, 400}, {first, second}, first},
        {"an exact tie, screens listed the other way", Placement::full(), Rect{1339, 100, 200, 400},
         {second, first}, second},
        {"halves of a screen left of and above the first round away from zero", Placement::right(), std::nullopt,
         {{-1439, -300, 1439, 900}}, Rect{-720, -300, 720, 900}},
        {"a half of a fractional width", Placement::left(), std::nullopt, {{0, 0, 1000.4, 700}},
         Rect{0, 0, 500, 700}},
        {"a stored frame on a screen applies as it is", stored(100, 120, 800, 600), Rect{2000, 0, 10, 10},
         {first, second}, Rect{100, 120, 800, 600}},
        {"a stored frame partly on the second screen applies", stored(3000, 1000, 800, 600), std::nullopt,
         {first, second}, Rect{3000, 1000, 800, 600}},
        {"a stored frame off every screen (display unplugged)", stored(4000, 0, 800, 600), Rect{10, 40, 300, 200},
         {first, second}, std::nullopt},
        {"a stored frame only touching a screen's edge", stored(-800, 100, 800, 600), std::nullopt, {first},
         std::nullopt},
        {"no screens: nothing for a half", Placement::left(), Rect{10, 40, 300, 200}, {}, std::nullopt},
        {"no screens: nothing for a stored frame", stored(0, 0, 100, 100), std::nullopt, {}, std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(Windows::target(test.placement, test.current, test.screens), test.target);
    }
}

MachineState::Window window(std::uint64_t id, std::string subrole) {
    MachineState::Window made;
    made.id = id;
    made.subrole = std::move(subrole);
    made.frame = Rect{0, 0, 100, 100};
    return made;
}

TEST(WindowsFront, TheFocusedStandardWindowElseTheFirstStandardNeverADialogSheetOrPanel) {
    struct Case {
        std::string name;
        std::vector<MachineState::Window> windows; // front to back
        std::optional<std::uint64_t> focused;
        std::optional<std::uint64_t> front;
        std::string failing = {}; // a role call that fails
    };
    const std::vector<Case> cases = {
        {"the focused standard window, though another is in front",
         {window(1, "AXStandardWindow"), window(2, "AXStandardWindow")}, 2, 2},
        {"a focused dialog: the first standard window behind it",
         {window(1, "AXDialog"), window(2, "AXSheet"), window(3, "AXStandardWindow"), window(4, "AXStandardWindow")},
         1, 3},
        {"nothing focused: the first standard window", {window(1, "AXFloatingWindow"), window(2, "AXStandardWindow")},
         std::nullopt, 2},
        {"only a dialog, a sheet, a panel and one without a subrole",
         {window(1, "AXDialog"), window(2, "AXSheet"), window(3, "AXFloatingWindow"), window(4, "")}, 1,
         std::nullopt},
        {"no windows", {}, std::nullopt, std::nullopt},
        {"the focus cannot be read: the first standard window",
         {window(1, "AXStandardWindow"), window(2, "AXStandardWindow")}, 2, 1, "focusedWindow"},
        {"the list cannot be read: the focused standard window still is", {window(1, "AXStandardWindow")}, 1, 1, "windows"},
        {"no subrole can be read: none is standard", {window(1, "AXStandardWindow")}, 1, std::nullopt, "subrole"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        MachineState state = MachineState::withOwnApp();
        MachineState::App app;
        app.pid = 2001;
        app.bundleID = "org.example.Writer";
        app.windows = test.windows;
        app.focusedWindow = test.focused;
        state.apps.push_back(app);
        state.nextWindowID = 10;
        SimulatedMachine machine(state);
        if (!test.failing.empty()) {
            machine.failCalls(test.failing);
        }
        const auto front = Windows::front(machine.accessibility(), 2001);
        EXPECT_EQ(front, test.front ? std::optional(WindowElement{2001, *test.front}) : std::nullopt);
        EXPECT_EQ(machine.state().messagingTimeout, Windows::messagingTimeout);
    }
}

} // namespace
} // namespace ostrel
