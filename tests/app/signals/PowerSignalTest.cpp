// The power source over the simulated machine, from a power change to the stored row.

#include "app/signals/PowerSignal.hpp"

#include "support/ObserverWorld.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;
using Source = MachineState::PowerSource;

MachineState::Power onBattery(double percent, bool charging = false, std::int64_t maxCapacity = 100) {
    return {Source::battery, percent, charging, maxCapacity};
}

class PowerSignalTest : public ::testing::Test {
protected:
    void start(MachineState::Power power) {
        world.machine.setPower(power);
        world.startWriterOnly();
        source = std::make_unique<PowerSignal>(world.machine.power(), world.writer(),
                                               world.runtime.clock(), world.runtime.main());
        source->start();
    }

    void TearDown() override { source.reset(); }

    std::vector<PowerPayload> readings() {
        world.settle();
        std::vector<PowerPayload> payloads;
        for (const auto& row : world.store.observations(std::numeric_limits<std::int64_t>::min(),
                                                        std::numeric_limits<std::int64_t>::max(),
                                                        std::set<Signal>{Signal::power})) {
            payloads.push_back(json::decodeRecord<PowerPayload>(row.payload));
        }
        return payloads;
    }

    ObserverWorld world;
    std::unique_ptr<PowerSignal> source;
};

TEST_F(PowerSignalTest, TheChargeIsClampedThenCutToAMultipleOfFive) {
    struct Case {
        double current;
        std::int64_t maxCapacity;
        std::int64_t expected;
    };
    const Case cases[] = {
        {87, 100, 85},
        {100, 100, 100},
        {130, 100, 100},
        {-5, 100, 0},
        {4, 100, 0},
        {4350, 5000, 85},                                             // 87 % of a battery counted in mAh
        {9'000'000'000'000'000'000.0, 9'100'000'000'000'000'000, 95}, // no overflow on the way
    };
    start(onBattery(50));
    for (const Case& each : cases) {
        world.machine.setPower(onBattery(each.current, false, each.maxCapacity));
        const auto rows = readings();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back().batteryPercent, each.expected) << each.current << " of " << each.maxCapacity;
        EXPECT_EQ(rows.back().source, PowerPayload::Source::battery);
    }
}

TEST_F(PowerSignalTest, RecordsAtStartThenOnlyChanges) {
    start({Source::ac, 81, true});
    // Each notice is read when it arrives, so each change is let through before the next.
    for (const MachineState::Power& power : {
             MachineState::Power{Source::ac, 83, true}, // still 80 once cut: no row
             MachineState::Power{Source::ac, 83, true}, // the same facts again: no row
             onBattery(83),                             // unplugged
             MachineState::Power{Source::ups, std::nullopt, false},
         }) {
        world.machine.setPower(power);
        world.settle();
    }

    const auto rows = readings();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].source, PowerPayload::Source::ac);
    EXPECT_EQ(rows[0].batteryPercent, 80);
    EXPECT_EQ(rows[0].charging, true);
    EXPECT_EQ(rows[1].source, PowerPayload::Source::battery);
    EXPECT_EQ(rows[1].batteryPercent, 80);
    EXPECT_EQ(rows[1].charging, false);
    EXPECT_EQ(rows[2].source, PowerPayload::Source::ups);
    EXPECT_EQ(rows[2].batteryPercent, std::nullopt) << "no battery, no charge";
    EXPECT_EQ(rows[2].charging, std::nullopt);
}

TEST_F(PowerSignalTest, AFailedSubscriptionRecordsNothingEver) {
    world.machine.failCalls("watchPower", 1);
    start(onBattery(60));
    world.machine.setPower(onBattery(20));
    world.time.advance(3600);
    world.machine.setPower({Source::ac, 40, true});
    EXPECT_TRUE(readings().empty());
    EXPECT_EQ(world.machine.calls("powerInfo"), 0) << "not even read once";
}

TEST_F(PowerSignalTest, FactsThatCannotBeHadWriteNothingUntilTheyCanBe) {
    world.machine.failCalls("powerInfo", 2);
    start(onBattery(60));
    world.machine.setPower(onBattery(61)); // the second failed read
    EXPECT_TRUE(readings().empty());
    world.machine.setPower(onBattery(62));
    const auto rows = readings();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].batteryPercent, 60);
}

TEST(PowerSignalPayloadTest, OnlyTheLastUsableInternalBatteryCounts) {
    PowerInfo info;
    info.providingType = std::string(power::batteryPower);
    info.sources = {
        {std::string(power::internalBattery), 40, 100, true},
        {std::string("UPS"), 90, 100, false},                            // not the internal battery
        {std::string(power::internalBattery), 55, 0, false},             // no capacity to measure by
        {std::string(power::internalBattery), std::nullopt, 100, false}, // no charge
    };
    PowerPayload payload = PowerSignal::payload(info);
    EXPECT_EQ(payload.batteryPercent, 40);
    EXPECT_EQ(payload.charging, true);

    info.sources.push_back({std::string(power::internalBattery), 72, 100, std::nullopt});
    payload = PowerSignal::payload(info);
    EXPECT_EQ(payload.batteryPercent, 70);
    EXPECT_EQ(payload.charging, std::nullopt) << "a battery that does not say";

    for (const auto& [type, expected] :
         std::vector<std::pair<std::optional<std::string>, PowerPayload::Source>>{
             {std::string(power::batteryPower), PowerPayload::Source::battery},
             {std::string(power::upsPower), PowerPayload::Source::ups},
             {std::string(power::acPower), PowerPayload::Source::ac},
             {std::string("Solar"), PowerPayload::Source::ac},
             {std::nullopt, PowerPayload::Source::ac},
         }) {
        info.providingType = type;
        EXPECT_EQ(PowerSignal::payload(info).source, expected) << type.value_or("(none)");
    }
}

} // namespace
} // namespace ostrel
