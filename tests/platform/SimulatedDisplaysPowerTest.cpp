// The simulated machine's display and power roles: what they report and the notices they send.

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

MachineState::Display display(std::string id, std::uint32_t number, Rect frame, bool builtIn = false) {
    MachineState::Display result;
    result.id = std::move(id);
    result.name = result.id;
    result.frame = frame;
    result.builtIn = builtIn;
    result.number = number;
    return result;
}

class SimulatedDisplaysPowerTest : public ::testing::Test {
protected:
    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
};

TEST_F(SimulatedDisplaysPowerTest, EveryScreenOperationSendsTheNoticeAndTheMainScreenFollows) {
    int notices = 0;
    const Subscription subscription = machine.displays().subscribe(main, [&] { ++notices; });
    const auto mains = [&] {
        std::vector<std::uint32_t> ids;
        for (const Screen& screen : machine.displays().screens()) {
            if (screen.main) {
                ids.push_back(screen.id.value());
            }
        }
        return ids;
    };

    machine.connectDisplay(display("eDP-1", 1, {0, 0, 1440, 900}, true));
    machine.connectDisplay(display("HDMI-1", 2, {1440, 0, 1920, 1080}));
    time.settle();
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(mains(), std::vector<std::uint32_t>{1}) << "without a choice the first is main";

    machine.setMainDisplay("HDMI-1");
    machine.arrangeDisplay("HDMI-1", -1920, 0);
    time.settle();
    EXPECT_EQ(notices, 4);
    EXPECT_EQ(mains(), std::vector<std::uint32_t>{2});
    EXPECT_EQ(machine.displays().screens().at(1).frame, (Rect{-1920, 0, 1920, 1080}));

    machine.disconnectDisplay("HDMI-1");
    machine.disconnectDisplay("HDMI-1"); // not connected any more: no notice
    time.settle();
    EXPECT_EQ(notices, 5);
    EXPECT_EQ(mains(), std::vector<std::uint32_t>{1}) << "the main screen left, the first took over";
    EXPECT_THROW(machine.arrangeDisplay("HDMI-1", 0, 0), OperationError);
    EXPECT_THROW(machine.setMainDisplay("HDMI-1"), OperationError);

    machine.resetCalls();
    machine.failCalls("screens", 1);
    EXPECT_TRUE(machine.displays().screens().empty());
    EXPECT_EQ(machine.displays().screens().size(), 1u);
    EXPECT_EQ(machine.calls("screens"), 2);
}

// Window frames measure y down from the first screen's top edge; screen frames measure it up from
// its bottom. The usable areas bridge the two, each leaving out that screen's panels.
TEST_F(SimulatedDisplaysPowerTest, UsableAreasTurnEachVisibleFrameIntoWindowSpace) {
    EXPECT_TRUE(usableAreas(machine.displays().screens()).empty());

    MachineState::Display builtIn = display("eDP-1", 1, {0, 0, 1440, 900}, true);
    builtIn.usableFrame = Rect{0, 70, 1440, 805}; // a dock of 70 below, a bar of 25 on top
    machine.connectDisplay(builtIn);
    machine.connectDisplay(display("HDMI-1", 2, {1440, 300, 1920, 1080}));  // higher, to the right
    machine.connectDisplay(display("DP-1", 3, {-1280, -800, 1280, 800}));   // below, to the left
    const std::vector<Screen> screens = machine.displays().screens();
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].visibleFrame, (Rect{0, 70, 1440, 805}));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame) << "no panels: all of it is usable";
    EXPECT_EQ(usableAreas(screens),
              (std::vector<Rect>{{0, 25, 1440, 805}, {1440, -480, 1920, 1080}, {-1280, 900, 1280, 800}}));

    // The usable frame survives the state file; a display without one stays without.
    const MachineState reread = MachineState::fromJSON(machine.state().toJSON());
    ASSERT_EQ(reread.displays.size(), 3u);
    EXPECT_EQ(reread.displays[0].usableFrame, (Rect{0, 70, 1440, 805}));
    EXPECT_EQ(reread.displays[1].usableFrame, std::nullopt);
}

TEST_F(SimulatedDisplaysPowerTest, PowerFactsAreRawAndWatchingCanFail) {
    machine.setPower({MachineState::PowerSource::battery, 4100, false, 5000});
    const auto info = machine.power().powerInfo().value();
    EXPECT_EQ(info.providingType, std::string(power::batteryPower));
    ASSERT_EQ(info.sources.size(), 1u);
    EXPECT_EQ(info.sources[0], (PowerSourceInfo{std::string(power::internalBattery), 4100, 5000, false}));

    machine.setPower({MachineState::PowerSource::ups, std::nullopt, false});
    EXPECT_EQ(machine.power().powerInfo().value(), (PowerInfo{std::string(power::upsPower), {}}));

    int notices = 0;
    auto watching = machine.power().watchPower(main, [&] { ++notices; });
    ASSERT_TRUE(watching.has_value());
    machine.failCalls("watchPower");
    EXPECT_FALSE(machine.power().watchPower(main, [&] { ADD_FAILURE() << "a failed watch heard a notice"; }));
    machine.setPower({MachineState::PowerSource::ac, 90, true});
    time.settle();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(machine.calls("watchPower"), 2);

    machine.failCalls("powerInfo", 1);
    EXPECT_FALSE(machine.power().powerInfo().has_value());
}

TEST_F(SimulatedDisplaysPowerTest, TheDisplayKeptAwakeIsAnotherProcesssAndReadsFalseWhenFailing) {
    EXPECT_FALSE(machine.activity().displayKeptAwake());
    machine.setDisplayKeptAwake(true);
    const WakeLock own = machine.activity().keepAwake("recording");
    EXPECT_TRUE(machine.activity().displayKeptAwake());
    machine.failCalls("displayKeptAwake", 1);
    EXPECT_FALSE(machine.activity().displayKeptAwake());
    machine.setDisplayKeptAwake(false);
    EXPECT_FALSE(machine.activity().displayKeptAwake())
        << "this process's own wake lock is not the display's";
}

TEST_F(SimulatedDisplaysPowerTest, EachRoleAnswersItsOwnAvailability) {
    machine.setAvailability("displays", Availability::no("no display server"));
    EXPECT_EQ(machine.displays().availability(), Availability::no("no display server"));
    EXPECT_EQ(machine.power().availability(), Availability::yes());
    machine.setAvailability("power", Availability::no("no power service"));
    machine.setAvailability("displays", Availability::yes());
    EXPECT_EQ(machine.power().availability(), Availability::no("no power service"));
    EXPECT_EQ(machine.displays().availability(), Availability::yes());
}

} // namespace
} // namespace ostrel
