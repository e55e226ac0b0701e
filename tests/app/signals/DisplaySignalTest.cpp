// The display source over the simulated machine, from a screen change to the stored row.

#include "app/signals/DisplaySignal.hpp"

#include "support/ObserverWorld.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;

MachineState::Display screen(std::string id, std::string name, Rect frame, bool builtIn,
                             std::uint32_t number) {
    MachineState::Display display;
    display.id = std::move(id);
    display.name = std::move(name);
    display.frame = frame;
    display.builtIn = builtIn;
    display.number = number;
    display.uuid = "UUID-" + std::to_string(number);
    return display;
}

const MachineState::Display builtIn = screen("eDP-1", "Built-in", {0, 0, 1440, 900}, true, 1);
const MachineState::Display external = screen("HDMI-1", "Studio", {1440, 0, 2560, 1440}, false, 7);

class DisplaySignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.machine.connectDisplay(builtIn);
        world.startWriterOnly();
        source = std::make_unique<DisplaySignal>(world.machine.displays(), world.writer(),
                                                 world.runtime.clock(), world.runtime.main());
        source->start();
    }

    void TearDown() override { source.reset(); }

    std::vector<DisplaysPayload> readings() {
        world.settle();
        std::vector<DisplaysPayload> payloads;
        for (const auto& row : world.store.observations(std::numeric_limits<std::int64_t>::min(),
                                                        std::numeric_limits<std::int64_t>::max(),
                                                        std::set<Signal>{Signal::displays})) {
            payloads.push_back(json::decodeRecord<DisplaysPayload>(row.payload));
        }
        return payloads;
    }

    ObserverWorld world;
    std::unique_ptr<DisplaySignal> source;
};

TEST_F(DisplaySignalTest, RecordsOnceAtStartWithTheBuiltInMainScreen) {
    const auto rows = readings();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].displays.size(), 1u);
    const auto& display = rows[0].displays[0];
    EXPECT_EQ(display.id, 1u);
    EXPECT_EQ(display.uuid, "UUID-1");
    EXPECT_EQ(display.name, "Built-in");
    EXPECT_TRUE(display.builtin);
    EXPECT_TRUE(display.main);
}

TEST_F(DisplaySignalTest, APluggedDisplayWritesOneRowOnceTheBurstHasSettled) {
    world.machine.connectDisplay(external);
    world.time.advance(0.6);
    world.machine.arrangeDisplay("HDMI-1", 1440, 100); // still settling: the reading moves on
    world.time.advance(0.9);
    world.machine.arrangeDisplay("HDMI-1", 1440, 200);
    world.time.advance(0.99);
    EXPECT_EQ(readings().size(), 1u) << "nothing before 1 s of quiet";

    world.time.advance(0.02);
    const auto rows = readings();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].displays.size(), 2u);
    const auto& first = rows[1].displays[0];
    const auto& second = rows[1].displays[1];
    EXPECT_TRUE(first.builtin);
    EXPECT_TRUE(first.main);
    EXPECT_EQ(second.id, 7u);
    EXPECT_FALSE(second.builtin);
    EXPECT_FALSE(second.main);
    EXPECT_EQ(second.x, 1440);
    EXPECT_EQ(second.y, 200) << "the settled arrangement, not the first";
    EXPECT_EQ(second.width, 2560);
    EXPECT_EQ(second.height, 1440);
}

TEST_F(DisplaySignalTest, ChangesWriteAndANoOpDoesNot) {
    world.machine.connectDisplay(external);
    world.time.advance(1.5);
    ASSERT_EQ(readings().size(), 2u);

    struct Step {
        const char* what;
        std::function<void(SimulatedMachine&)> act;
        bool writes;
    };
    const Step steps[] = {
        {"rearranging moves x and y", [](SimulatedMachine& m) { m.arrangeDisplay("HDMI-1", -2560, 0); },
         true},
        {"arranging it where it is", [](SimulatedMachine& m) { m.arrangeDisplay("HDMI-1", -2560, 0); },
         false},
        {"another main screen", [](SimulatedMachine& m) { m.setMainDisplay("HDMI-1"); }, true},
        {"the same main screen again", [](SimulatedMachine& m) { m.setMainDisplay("HDMI-1"); }, false},
        {"unplugging the main screen", [](SimulatedMachine& m) { m.disconnectDisplay("HDMI-1"); }, true},
        {"plugging back and out within the burst",
         [](SimulatedMachine& m) {
             m.connectDisplay(external);
             m.disconnectDisplay("HDMI-1");
         },
         false},
    };
    std::size_t expected = 2;
    for (const Step& step : steps) {
        step.act(world.machine);
        world.time.advance(1.5);
        expected += step.writes ? 1 : 0;
        EXPECT_EQ(readings().size(), expected) << step.what;
    }
    const auto rows = readings();
    ASSERT_EQ(rows[3].displays.size(), 2u);
    EXPECT_FALSE(rows[3].displays[0].main);
    EXPECT_TRUE(rows[3].displays[1].main);
    ASSERT_EQ(rows[4].displays.size(), 1u);
    EXPECT_TRUE(rows[4].displays[0].main) << "the built-in screen is main again";
}

TEST_F(DisplaySignalTest, AScreenWithoutAnIdIsLeftOut) {
    MachineState::Display anonymous = screen("DP-2", "Projector", {0, 900, 1024, 768}, false, 0);
    anonymous.number.reset();
    world.machine.connectDisplay(anonymous);
    world.machine.connectDisplay(external);
    world.time.advance(1.5);
    const auto rows = readings();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].displays.size(), 2u);
    EXPECT_EQ(rows[1].displays[0].id, 1u);
    EXPECT_EQ(rows[1].displays[1].id, 7u);
}

TEST_F(DisplaySignalTest, NoReadingAfterTheSourceIsGone) {
    world.machine.connectDisplay(external);
    source.reset();
    world.time.advance(2);
    EXPECT_EQ(readings().size(), 1u);
}

} // namespace
} // namespace ostrel
