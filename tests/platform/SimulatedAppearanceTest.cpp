// The simulated machine's appearance role: the reduce-motion setting, its notice and the state file.

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class SimulatedAppearanceTest : public ::testing::Test {
protected:
    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
};

TEST_F(SimulatedAppearanceTest, TheNoticeComesOnlyWhenTheSettingChanges) {
    std::vector<bool> seen; // what a subscriber reads when told
    Subscription subscription = machine.appearance().subscribe(
        main, [&](const AppearanceChange&) { seen.push_back(machine.appearance().reduceMotion()); });
    EXPECT_FALSE(machine.appearance().reduceMotion());

    machine.setReduceMotion(false); // already off
    machine.setReduceMotion(true);
    machine.setReduceMotion(true); // already on
    time.settle();
    EXPECT_EQ(seen, std::vector<bool>{true});
    EXPECT_TRUE(machine.platform().appearance.reduceMotion());

    machine.setReduceMotion(false);
    time.settle();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));

    subscription.cancel();
    machine.setReduceMotion(true);
    time.settle();
    EXPECT_EQ(seen.size(), 2u) << "a cancelled subscription hears nothing";
    EXPECT_TRUE(machine.state().reduceMotion);
}

TEST(MachineStateAppearanceTest, ReduceMotionIsSavedAndDefaultsToOff) {
    EXPECT_FALSE(MachineState::fromJSON(json::parse("{}")).reduceMotion);
    MachineState state;
    state.reduceMotion = true;
    EXPECT_EQ(MachineState::fromJSON(state.toJSON()), state);
    EXPECT_THROW(MachineState::fromJSON(json::parse(R"({"reduceMotion": "yes"})")), json::DecodingError);
}

} // namespace
} // namespace ostrel
