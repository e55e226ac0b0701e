// The simulated machine's keychain role: one secret per service and account, replacing writes, and
// injected failures that leave the stored secrets as they were.

#include "platform/sim/SimulatedMachine.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Status = Keychain::Status;

class SimulatedKeychainTest : public ::testing::Test {
protected:
    SimulatedMachine machine;
    Keychain& keychain = machine.keychain();

    std::vector<MachineState::KeychainItem> items() const { return machine.state().keychain; }
};

TEST_F(SimulatedKeychainTest, AWriteReplacesTheSecretOfItsServiceAndAccountOnly) {
    EXPECT_EQ(keychain.read("mail", "me"), std::nullopt);
    EXPECT_EQ(keychain.write("mail", "me", "one"), Status::success);
    EXPECT_EQ(keychain.write("mail", "you", "other"), Status::success);
    EXPECT_EQ(keychain.write("mail", "me", "two"), Status::success);

    EXPECT_EQ(keychain.read("mail", "me"), "two");
    EXPECT_EQ(keychain.read("mail", "you"), "other");
    EXPECT_EQ(keychain.read("calendar", "me"), std::nullopt);
    EXPECT_EQ(items().size(), 2u) << "a second write of the same item must not add another";
}

TEST_F(SimulatedKeychainTest, ARemoveTakesOnlyThatItemAndAMissingOneIsASuccess) {
    machine.setKeychainItem({"mail", "me", "one"});
    machine.setKeychainItem({"mail", "you", "two"});

    EXPECT_EQ(keychain.remove("mail", "me"), Status::success);
    EXPECT_EQ(keychain.remove("mail", "me"), Status::success);
    EXPECT_EQ(keychain.read("mail", "me"), std::nullopt);
    EXPECT_EQ(keychain.read("mail", "you"), "two");
}

TEST_F(SimulatedKeychainTest, FailedCallsChangeNothingAndAreCounted) {
    machine.setKeychainItem({"mail", "me", "old"});

    machine.failCalls("keychainWrite", 1);
    EXPECT_EQ(keychain.write("mail", "me", "new"), Status::failed);
    EXPECT_EQ(keychain.read("mail", "me"), "old") << "a failed write must leave the earlier secret";

    machine.failCalls("keychainRemove", 1);
    EXPECT_EQ(keychain.remove("mail", "me"), Status::failed);
    EXPECT_EQ(keychain.read("mail", "me"), "old");

    machine.failCalls("keychainRead", 1);
    EXPECT_EQ(keychain.read("mail", "me"), std::nullopt);
    EXPECT_EQ(keychain.read("mail", "me"), "old") << "one failure was asked for";

    EXPECT_EQ(machine.calls("keychainWrite"), 1);
    EXPECT_EQ(machine.calls("keychainRemove"), 1);
    EXPECT_EQ(machine.calls("keychainRead"), 4);
    EXPECT_EQ(items(), (std::vector<MachineState::KeychainItem>{{"mail", "me", "old"}}));
}

TEST_F(SimulatedKeychainTest, AnUnavailableStoreReadsNothingAndRefusesChanges) {
    machine.setKeychainItem({"mail", "me", "old"});
    machine.setAvailability("keychain", Availability::no("no secret service"));

    EXPECT_FALSE(keychain.availability().available);
    EXPECT_EQ(keychain.read("mail", "me"), std::nullopt);
    EXPECT_EQ(keychain.write("mail", "me", "new"), Status::unavailable);
    EXPECT_EQ(keychain.remove("mail", "me"), Status::unavailable);

    machine.setAvailability("keychain", Availability::yes());
    EXPECT_EQ(keychain.read("mail", "me"), "old");
}

} // namespace
} // namespace ostrel
