#include "app/editor/Connected.hpp"

#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

MachineState machineFrom(const std::string& text) {
    return MachineState::fromJSON(json::parse(text));
}

const char* const plugged = R"({
  "ownPid": 1000,
  "apps": [
    {"pid": 1000, "bundleID": "org.ostrel.Ostrel", "name": "Ostrel"},
    {"pid": 2001, "bundleID": "org.gnome.Nautilus", "name": "Files"},
    {"pid": 2002, "bundleID": "org.mozilla.firefox", "name": "Firefox"},
    {"pid": 2003, "bundleID": "org.gnome.Calculator", "name": "Calculator", "hidden": true},
    {"pid": 2004, "bundleID": "org.gnome.Shell.Notifications", "name": "Alerts", "regular": false},
    {"pid": 2005, "bundleID": "org.keepassxc.keepassxc", "name": "KeePassXC"},
    {"pid": 2006, "name": "a.out"},
    {"pid": 2007, "bundleID": "org.example.second", "name": "calculator"},
    {"pid": 2008, "bundleID": "org.example.nameless"},
    {"pid": 2009, "bundleID": "org.example.same", "name": "Calculator"},
    {"pid": 2010, "bundleID": "org.mozilla.firefox", "name": "Firefox"}
  ],
  "defaultHandlers": {"inode/directory": "org.gnome.Nautilus"},
  "displays": [
    {"id": "eDP-1", "name": "Built-in", "builtIn": true, "number": 1, "uuid": "9A1C0F52-7E3B-4C1D-8F0A-2B6D5E4C3A21",
     "frame": {"x": 0, "y": 0, "width": 1280, "height": 800}},
    {"id": "HDMI-1", "name": "DELL U2720Q", "number": 2, "uuid": "0F2C1A55-1B2C-4D3E-8F40-5A6B7C8D9E0F",
     "frame": {"x": 1280, "y": 0, "width": 2560, "height": 1440}},
    {"id": "DP-1", "name": "No id", "uuid": "11111111-2222-3333-4444-555555555555",
     "frame": {"x": 0, "y": 800, "width": 800, "height": 600}},
    {"id": "DP-2", "name": "No uuid", "number": 4, "frame": {"x": 800, "y": 800, "width": 800, "height": 600}},
    {"id": "DP-3", "name": "Projector", "number": 5, "uuid": "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE",
     "frame": {"x": 0, "y": -600, "width": 800, "height": 600}}
  ],
  "audioDevices": [
    {"id": "speakers", "name": "Speakers", "transport": "builtIn"},
    {"id": "headset", "name": "USB Headset", "transport": "usb"},
    {"id": "mic", "name": "Microphone", "transport": "usb", "output": false},
    {"id": "loopback", "name": "Loopback", "transport": "virtual"},
    {"id": "both", "name": "Both", "transport": "aggregate"},
    {"id": "tv", "name": "TV", "transport": "hdmi"},
    {"id": "buds", "name": "Buds", "transport": "bluetooth"},
    {"id": "odd", "name": "Odd", "transport": "unknown"}
  ],
  "defaultOutput": "speakers"
})";

TEST(Connected, ListsOnlyWhatACueOrPutAwayCanName) {
    SimulatedMachine machine(machineFrom(plugged));

    const std::vector<Connected::Display> displays = {
        {"0F2C1A55-1B2C-4D3E-8F40-5A6B7C8D9E0F", "DELL U2720Q"},
        {"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", "Projector"},
    };
    EXPECT_EQ(Connected::displays(machine.displays()), displays);

    std::vector<std::string> uids;
    for (const auto& device : Connected::audioDevices(machine.audio())) {
        uids.push_back(device.uid + " " + device.name + " " + device.transport);
    }
    EXPECT_EQ(uids, (std::vector<std::string>{"headset USB Headset usb", "tv TV hdmi", "buds Buds bluetooth",
                                              "odd Odd other"}));

    // By name as plain text: upper case before lower case, equal names in the workspace's order,
    // an app without a name by its id; repeats stay.
    EXPECT_EQ(Connected::runningApps(machine.workspace()),
              (std::vector<std::string>{"org.gnome.Calculator", "org.example.same", "org.mozilla.firefox",
                                        "org.mozilla.firefox", "org.keepassxc.keepassxc", "org.example.second",
                                        "org.example.nameless"}));
}

TEST(Connected, ABareMachineHasNothingConnected) {
    const struct {
        const char* name;
        MachineState state;
    } cases[] = {
        {"only this program", MachineState::withOwnApp()},
        {"a laptop's own panel and speakers", machineFrom(R"({
            "displays": [{"id": "eDP-1", "name": "Built-in", "builtIn": true, "number": 1,
                          "uuid": "9A1C0F52-7E3B-4C1D-8F0A-2B6D5E4C3A21",
                          "frame": {"x": 0, "y": 0, "width": 1280, "height": 800}}],
            "audioDevices": [{"id": "speakers", "name": "Speakers", "transport": "builtIn"}]})")},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.name);
        SimulatedMachine machine(one.state);
        EXPECT_TRUE(Connected::displays(machine.displays()).empty());
        EXPECT_TRUE(Connected::audioDevices(machine.audio()).empty());
        EXPECT_TRUE(Connected::runningApps(machine.workspace()).empty());
    }
}

TEST(Connected, WithoutAKnownFileManagerEveryRegularAppIsListed) {
    SimulatedMachine machine(machineFrom(R"({"ownPid": 1000, "apps": [
        {"pid": 1000, "bundleID": "org.ostrel.Ostrel"},
        {"pid": 2001, "bundleID": "org.gnome.Nautilus", "name": "Files"}]})"));
    EXPECT_EQ(Connected::runningApps(machine.workspace()), std::vector<std::string>{"org.gnome.Nautilus"});
}

} // namespace
} // namespace ostrel
