#include "app/editor/OpenNow.hpp"

#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "support/Items.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ids;

MachineState machineFrom(const std::string& text) {
    return MachineState::fromJSON(json::parse(text));
}

// Own program (1000), the file manager, a hidden app, an agent, a mail app, a bare executable and
// three ordinary apps, one of them started twice.
const char* const busyDesktop = R"({
  "ownPid": 1000,
  "apps": [
    {"pid": 1000, "bundleID": "org.ostrel.Ostrel",
     "windows": [{"id": 1, "frame": {"x": 0, "y": 0, "width": 400, "height": 300}}]},
    {"pid": 2001, "bundleID": "org.gnome.Nautilus",
     "windows": [{"id": 2, "frame": {"x": 0, "y": 0, "width": 800, "height": 600}}]},
    {"pid": 2002, "bundleID": "org.mozilla.firefox",
     "windows": [{"id": 3, "frame": {"x": 100.7, "y": -20.3, "width": 1280.9, "height": 775.2}}]},
    {"pid": 2003, "bundleID": "org.gnome.Calculator", "hidden": true,
     "windows": [{"id": 4, "frame": {"x": 5, "y": 5, "width": 300, "height": 400}}]},
    {"pid": 2004, "bundleID": "org.gnome.Shell.Notifications", "regular": false},
    {"pid": 2005, "bundleID": "org.keepassxc.keepassxc",
     "windows": [{"id": 5, "frame": {"x": 5, "y": 5, "width": 300, "height": 400}}]},
    {"pid": 2006, "windows": [{"id": 6, "frame": {"x": 5, "y": 5, "width": 300, "height": 400}}]},
    {"pid": 2007, "bundleID": "org.gnome.TextEditor",
     "windows": [{"id": 7, "subrole": "AXDialog", "frame": {"x": 9, "y": 9, "width": 200, "height": 100}}]},
    {"pid": 2008, "bundleID": "org.libreoffice.LibreOffice",
     "windows": [{"id": 8, "frame": {"x": 10, "y": 20, "width": 30, "height": 40}}]},
    {"pid": 2009, "bundleID": "org.libreoffice.LibreOffice",
     "windows": [{"id": 9, "frame": {"x": 50, "y": 60, "width": 70, "height": 80}}]}
  ],
  "defaultHandlers": {"inode/directory": "org.gnome.Nautilus"},
  "frontPid": FRONT,
  "trusted": TRUSTED
})";

std::string desktop(int frontPid, bool trusted) {
    std::string text = busyDesktop;
    text.replace(text.find("FRONT"), 5, std::to_string(frontPid));
    text.replace(text.find("TRUSTED"), 7, trusted ? "true" : "false");
    return text;
}

TEST(OpenNow, EditsListTheKeptAppsFrontmostFirstWithTheirWindows) {
    const std::vector<std::string> workspaceOrder = {"app:org.mozilla.firefox", "app:org.gnome.TextEditor",
                                                     "app:org.libreoffice.LibreOffice",
                                                     "app:org.libreoffice.LibreOffice"};
    const char* const allPlaced = R"({
        "org.mozilla.firefox": {"frame": {"_0": {"x": 100, "y": -20, "width": 1280, "height": 775}}},
        "org.libreoffice.LibreOffice": {"frame": {"_0": {"x": 50, "y": 60, "width": 70, "height": 80}}}})";
    const struct {
        const char* name;
        int frontPid;
        bool trusted;
        std::vector<std::string> added;
        const char* layout;
    } cases[] = {
        {"an ordinary app in front goes first", 2008, true,
         {"app:org.libreoffice.LibreOffice", "app:org.libreoffice.LibreOffice", "app:org.mozilla.firefox",
          "app:org.gnome.TextEditor"},
         allPlaced},
        {"this program in front keeps the order", 1000, true, workspaceOrder, allPlaced},
        {"a left-out app in front keeps the order", 2001, true, workspaceOrder, allPlaced},
        {"without trust no window is read", 2002, false, workspaceOrder, "{}"},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.name);
        SimulatedMachine machine(machineFrom(desktop(one.frontPid, one.trusted)));
        const RoutineEdits edits = OpenNow::edits(machine.workspace(), machine.accessibility());
        EXPECT_EQ(ids(edits.added), one.added);
        EXPECT_EQ(edits.toJSON().at("layout"), json::parse(one.layout));
        RoutineEdits rest = edits;
        rest.added.clear();
        rest.layout.clear();
        EXPECT_EQ(rest, RoutineEdits());
    }
}

TEST(OpenNow, ABareMachineGivesEmptyEdits) {
    SimulatedMachine machine;
    EXPECT_EQ(OpenNow::edits(machine.workspace(), machine.accessibility()), RoutineEdits());
}

TEST(OpenNow, PlacementOfOneAppIsItsFirstStartsFrontWindow) {
    const struct {
        const char* name;
        const char* bundleID;
        bool trusted;
        std::optional<WindowPayload::Frame> frame;
    } cases[] = {
        {"truncated toward zero", "org.mozilla.firefox", true, WindowPayload::Frame{100, -20, 1280, 775}},
        {"the first start only", "org.libreoffice.LibreOffice", true, WindowPayload::Frame{10, 20, 30, 40}},
        {"a hidden app still has its place", "org.gnome.Calculator", true, WindowPayload::Frame{5, 5, 300, 400}},
        {"only a dialog open", "org.gnome.TextEditor", true, std::nullopt},
        {"not running", "org.gnome.Maps", true, std::nullopt},
        {"without trust", "org.mozilla.firefox", false, std::nullopt},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.name);
        SimulatedMachine machine(machineFrom(desktop(2002, one.trusted)));
        const auto placement = OpenNow::placement(one.bundleID, machine.workspace(), machine.accessibility());
        if (one.frame) {
            ASSERT_TRUE(placement.has_value());
            EXPECT_EQ(*placement, RoutineEdits::Placement::frame(*one.frame));
        } else {
            EXPECT_FALSE(placement.has_value());
        }
    }
}

TEST(OpenNow, AWindowMovedOutOfRangeIsLeftUnplaced) {
    SimulatedMachine machine(machineFrom(desktop(2002, true)));
    machine.moveWindow({2002, 3}, std::numeric_limits<double>::infinity(), 0);
    const RoutineEdits edits = OpenNow::edits(machine.workspace(), machine.accessibility());
    EXPECT_EQ(edits.layout.count("org.mozilla.firefox"), 0u);
    EXPECT_EQ(ids(edits.added).front(), "app:org.mozilla.firefox");
    EXPECT_FALSE(OpenNow::placement("org.mozilla.firefox", machine.workspace(), machine.accessibility()));
}

TEST(OpenNow, FramePlacementTruncatesOrGivesNothing) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const struct {
        Rect frame;
        std::optional<WindowPayload::Frame> placed;
    } cases[] = {
        {{100.7, -20.3, 640.99, 480.5}, WindowPayload::Frame{100, -20, 640, 480}},
        {{-0.9, 0.9, 1, 1}, WindowPayload::Frame{0, 0, 1, 1}},
        // A negative extent moves the origin to the other edge first.
        {{100, 100, -40.5, -10}, WindowPayload::Frame{59, 90, 40, 10}},
        {{-9223372036854775808.0, 0, 0, 0}, WindowPayload::Frame{lowest, 0, 0, 0}},
        {{9223372036854775808.0, 0, 10, 10}, std::nullopt},
        {{0, -1e30, 10, 10}, std::nullopt},
        {{0, 0, 1e19, 10}, std::nullopt},
        {{nan, 0, 10, 10}, std::nullopt},
        {{0, 0, 10, inf}, std::nullopt},
        {{inf, 0, -inf, 10}, std::nullopt},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(testing::Message() << one.frame.x << ' ' << one.frame.y << ' ' << one.frame.width << ' '
                                        << one.frame.height);
        const auto placement = OpenNow::framePlacement(one.frame);
        if (one.placed) {
            ASSERT_TRUE(placement.has_value());
            EXPECT_EQ(*placement, RoutineEdits::Placement::frame(*one.placed));
        } else {
            EXPECT_FALSE(placement.has_value());
        }
    }
}

} // namespace
} // namespace ostrel
