// The launch-at-login mirror over the simulated machine's login items: every set() acts and re-reads,
// the failure's sentence stays until the next success, and observers hear only of real changes.

#include "app/shell/LaunchAtLogin.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Property = LaunchAtLogin::Property;
const std::string ownID = "org.ostrel.Ostrel";

class LaunchAtLoginTest : public ::testing::Test {
protected:
    SimulatedMachine machine;
    std::vector<Property> heard;

    Subscription listen(LaunchAtLogin& launch) {
        return launch.observe([this](Property property) { heard.push_back(property); });
    }
};

TEST_F(LaunchAtLoginTest, EverySetCallsTheRoleAndReReadsButOnlyAChangeIsHeard) {
    struct Case {
        const char* name;
        bool listed;
        bool on;
        LoginItemStatus status;
        std::vector<Property> heard;
    };
    const std::vector<Case> cases = {
        {"on when on", true, true, LoginItemStatus::enabled, {}},
        {"off when off", false, false, LoginItemStatus::notRegistered, {}},
        {"on when off", false, true, LoginItemStatus::enabled, {Property::status}},
        {"off when on", true, false, LoginItemStatus::notRegistered, {Property::status}},
    };
    for (const Case& c : cases) {
        machine.removeLoginItem(ownID);
        if (c.listed) {
            machine.addLoginItem(ownID);
        }
        machine.resetCalls();
        heard.clear();
        LaunchAtLogin launch(machine.loginItems());
        const auto subscription = listen(launch);

        launch.set(c.on);

        EXPECT_EQ(launch.status(), c.status) << c.name;
        EXPECT_EQ(launch.lastError(), std::nullopt) << c.name;
        EXPECT_EQ(heard, c.heard) << c.name;
        EXPECT_EQ(machine.calls(c.on ? "registerLoginItem" : "unregisterLoginItem"), 1) << c.name;
        EXPECT_EQ(machine.calls(c.on ? "unregisterLoginItem" : "registerLoginItem"), 0) << c.name;
        EXPECT_EQ(machine.calls("loginItemStatus"), 2) << c.name << ": read when made and after the call";
        const auto& listed = machine.state().loginItems;
        EXPECT_EQ(std::ranges::count(listed, ownID), c.on ? 1 : 0) << c.name;
    }
}

TEST_F(LaunchAtLoginTest, TheReReadShowsAChangeMadeElsewhere) {
    LaunchAtLogin launch(machine.loginItems());
    const auto subscription = listen(launch);
    machine.addLoginItem(ownID); // the user's settings tool, behind the mirror's back
    machine.failCalls("unregisterLoginItem", 1);

    launch.set(false);

    EXPECT_EQ(launch.status(), LoginItemStatus::enabled) << "the failed removal left it listed";
    EXPECT_TRUE(launch.lastError().has_value());
    EXPECT_EQ(heard, (std::vector<Property>{Property::lastError, Property::status}));
}

TEST_F(LaunchAtLoginTest, ASuccessAfterAFailureClearsTheError) {
    LaunchAtLogin launch(machine.loginItems());
    const auto subscription = listen(launch);
    machine.failCalls("registerLoginItem", 1);

    launch.set(true);
    EXPECT_EQ(launch.status(), LoginItemStatus::notRegistered);
    ASSERT_TRUE(launch.lastError().has_value());
    EXPECT_FALSE(launch.lastError()->empty());
    EXPECT_EQ(heard, std::vector<Property>{Property::lastError});

    heard.clear();
    launch.set(true);
    EXPECT_EQ(launch.status(), LoginItemStatus::enabled);
    EXPECT_EQ(launch.lastError(), std::nullopt);
    EXPECT_EQ(heard, (std::vector<Property>{Property::lastError, Property::status}));

    heard.clear();
    launch.set(true);
    EXPECT_TRUE(heard.empty()) << "the same result again is no change";
}

TEST_F(LaunchAtLoginTest, AFailedStatusReadMirrorsNotRegistered) {
    machine.addLoginItem(ownID);
    LaunchAtLogin launch(machine.loginItems());
    ASSERT_EQ(launch.status(), LoginItemStatus::enabled);
    machine.failCalls("loginItemStatus", 1);

    launch.set(true);

    EXPECT_EQ(launch.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(launch.lastError(), std::nullopt) << "the registration itself went through";
    EXPECT_EQ(launch.current(), LoginItemStatus::enabled);
}

TEST_F(LaunchAtLoginTest, WithoutTheRoleItIsNotFoundAndSetOnlyReportsWhy) {
    machine.addLoginItem(ownID);
    machine.setAvailability("loginItems", Availability::no("no autostart on this desktop"));
    LaunchAtLogin launch(machine.loginItems());
    EXPECT_EQ(launch.status(), LoginItemStatus::notFound);

    for (const bool on : {true, false}) {
        launch.set(on);
        EXPECT_EQ(launch.status(), LoginItemStatus::notFound);
        EXPECT_EQ(launch.lastError(), "Starting at login isn't available on this desktop.");
    }
    EXPECT_EQ(machine.calls("registerLoginItem") + machine.calls("unregisterLoginItem"), 0);
    EXPECT_EQ(machine.state().loginItems, std::vector<std::string>{ownID});

    machine.setAvailability("loginItems", Availability::yes());
    launch.set(false);
    EXPECT_EQ(launch.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(launch.lastError(), std::nullopt);
}

TEST_F(LaunchAtLoginTest, AMachineWithoutItsOwnAppHasNothingToRegister) {
    MachineState state;
    state.loginItems = {ownID};
    SimulatedMachine bare(state);
    LaunchAtLogin launch(bare.loginItems());
    EXPECT_EQ(launch.status(), LoginItemStatus::notFound);

    launch.set(true);
    EXPECT_EQ(launch.status(), LoginItemStatus::notFound);
    EXPECT_TRUE(launch.lastError().has_value());
}

} // namespace
} // namespace ostrel
