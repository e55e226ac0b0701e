// The place source from a machine notice to the stored row, and its salt in the settings.

#include "app/signals/PlaceSignal.hpp"
#include "core/observations/EmptyPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/LogCapture.hpp"
#include "support/ObserverWorld.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace ostrel {
namespace {

using test::ObserverWorld;
using Authorization = MachineState::LocationAuthorization;

const std::set<Signal> placeSignals{Signal::wifi, Signal::location};
// Not valid UTF-8 on purpose: an SSID is bytes.
const std::string campus = "Campus-Net \xff\x01";

// The store's timestamp of a row dated at.
std::int64_t stampOf(Date at) { return SignalObservation(Signal::location, EmptyPayload{}, at).ts; }

class PlaceSignalTest : public ::testing::Test {
protected:
    void SetUp() override { world.startWriterOnly(); }

    std::unique_ptr<PlaceSignal> makeSource(std::uint64_t seed = 1) {
        random = std::make_unique<SecureRandom>(seed);
        return std::make_unique<PlaceSignal>(world.machine.wifi(), world.machine.location(), *settings, *random,
                                             world.writer(), world.runtime.clock(), world.runtime.main());
    }

    std::unique_ptr<PlaceSignal> startSource(std::uint64_t seed = 1) {
        auto source = makeSource(seed);
        source->start();
        world.settle();
        return source;
    }

    std::string wifiRow(const std::string& name) {
        const auto salt = settings->data(settingsKeys::networkSalt);
        return "wifi " + json::encodeRecord(WiFiPayload::make(name, *salt));
    }

    std::vector<SignalObservation> locations() {
        world.settle();
        return world.store.observations(std::numeric_limits<std::int64_t>::min(),
                                        std::numeric_limits<std::int64_t>::max(), std::set{Signal::location});
    }

    ObserverWorld world;
    std::filesystem::path config = world.dir / "config";
    std::unique_ptr<Settings> settings = std::make_unique<Settings>(config);
    std::unique_ptr<SecureRandom> random;
};

TEST_F(PlaceSignalTest, TheSaltIsMadeOnceAndTheNextRunHashesTheNetworkAlike) {
    world.machine.setLocationAuthorization(Authorization::always);
    world.machine.joinWiFi(campus);
    world.settle();

    auto first = startSource(1);
    const auto salt = settings->data(settingsKeys::networkSalt);
    ASSERT_TRUE(salt.has_value());
    EXPECT_EQ(salt->size(), PlaceSignal::saltSize);
    const auto hash = first->currentNetwork();
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(hash->hash.size(), 16u);
    first.reset();

    // The next run reads the file again and draws other random bytes, which it must not use.
    settings = std::make_unique<Settings>(config);
    auto second = startSource(2);
    EXPECT_EQ(settings->data(settingsKeys::networkSalt), salt);
    ASSERT_TRUE(second->currentNetwork().has_value());
    EXPECT_EQ(second->currentNetwork()->hash, hash->hash);

    const std::string row = R"(wifi {"network":")" + hash->hash + R"("})";
    EXPECT_EQ(world.rows(placeSignals), (std::vector<std::string>{row, row}));
}

TEST_F(PlaceSignalTest, AStoredSaltIsKeptOnlyWhenItIsDataWithBytes) {
    const std::vector<std::uint8_t> valid{0x01, 0x02, 0x03};
    struct Case {
        const char* name;
        std::optional<SettingsValue> stored;
        bool kept;
    };
    const std::vector<Case> cases{
        {"missing", std::nullopt, false},
        {"text", SettingsValue("c2FsdA=="), false},
        {"number", SettingsValue(42), false},
        {"empty data", SettingsValue(SettingsData{}), false},
        {"valid data", SettingsValue(SettingsData{valid}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto folder = world.dir / ("salt-" + std::to_string(&c - cases.data()));
        {
            Settings prepared(folder);
            if (c.stored) {
                prepared.set(settingsKeys::networkSalt, *c.stored);
            }
        }
        Settings reopened(folder);
        SecureRandom seeded(7);
        const auto salt = PlaceSignal::networkSalt(reopened, seeded);
        if (c.kept) {
            EXPECT_EQ(salt, valid);
        } else {
            EXPECT_EQ(salt.size(), PlaceSignal::saltSize);
        }
        // Whatever it chose is on disk, and a second call gives it back unchanged.
        EXPECT_EQ(Settings(folder).data(settingsKeys::networkSalt), salt);
        SecureRandom other(8);
        EXPECT_EQ(PlaceSignal::networkSalt(reopened, other), salt);
    }
}

TEST_F(PlaceSignalTest, OnlyChangesOfTheNetworkAreWritten) {
    world.machine.setLocationAuthorization(Authorization::always);
    world.machine.joinWiFi(campus);
    world.settle();
    auto source = startSource();

    world.machine.joinWiFi(campus); // associated again: same payload, no row
    world.settle();
    world.machine.leaveWiFi();
    world.settle();
    world.machine.leaveWiFi();
    world.settle();
    world.machine.joinWiFi(campus);
    world.settle();
    world.machine.joinWiFi("Home");
    world.settle();

    EXPECT_EQ(world.rows({Signal::wifi}),
              (std::vector<std::string>{wifiRow(campus), "wifi {}", wifiRow(campus), wifiRow("Home")}));
}

TEST_F(PlaceSignalTest, OnlyAnAlwaysGrantWritesTheNetworkAndAsksForOneReading) {
    struct Case {
        Authorization granted;
        bool observed;
    };
    for (const Case c : {Case{Authorization::always, true}, Case{Authorization::whenInUse, false},
                         Case{Authorization::denied, false}}) {
        SCOPED_TRACE(static_cast<int>(c.granted));
        ObserverWorld local;
        local.startWriterOnly();
        Settings localSettings(Settings::inMemory);
        SecureRandom seeded(3);
        local.machine.joinWiFi(campus);
        local.machine.moveTo(MachineState::Location{52.520008, 13.404954, 35.4});
        local.settle();
        PlaceSignal source(local.machine.wifi(), local.machine.location(), localSettings, seeded,
                           local.writer(), local.runtime.clock(), local.runtime.main());
        source.start();
        local.settle();
        EXPECT_TRUE(local.rows(placeSignals).empty());

        local.machine.resetCalls();
        local.machine.setLocationAuthorization(c.granted);
        local.settle();
        // A second notice of the same status asks nothing more.
        local.machine.setLocationAuthorization(c.granted);
        local.settle();

        const auto rows = local.rows(placeSignals);
        if (c.observed) {
            const auto salt = localSettings.data(settingsKeys::networkSalt);
            EXPECT_EQ(rows, (std::vector<std::string>{
                                "wifi " + json::encodeRecord(WiFiPayload::make(campus, *salt)),
                                R"(location {"accuracy":35,"latitude":52.52,"longitude":13.405})"}));
            EXPECT_EQ(local.machine.calls("requestLocation"), 1);
            EXPECT_TRUE(source.currentNetwork().has_value());
        } else {
            EXPECT_TRUE(rows.empty()) << testing::PrintToString(rows);
            EXPECT_EQ(local.machine.calls("requestLocation"), 0);
            EXPECT_FALSE(source.currentNetwork().has_value());
        }
    }
}

TEST_F(PlaceSignalTest, OfSeveralReadingsOnlyTheLastIsWrittenAtItsOwnTime) {
    world.machine.setLocationAuthorization(Authorization::always);
    world.settle();
    const Date now = world.runtime.clock().now();
    world.machine.queueLocationFixes({{48.1, 11.5, 100, now - 300}, {48.2, 11.6, 50, now - 120},
                                      {48.13713, 11.57549, 12.6, now - 42.25}});
    auto source = startSource(); // its start asks for the queued readings

    const auto rows = locations();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].payload, R"({"accuracy":13,"latitude":48.1371,"longitude":11.5755})");
    EXPECT_EQ(rows[0].ts, stampOf(now - 42.25));

    // The observer's later request gets the machine's own place, dated when it is answered.
    world.machine.moveTo(MachineState::Location{1, 2, 3});
    world.time.advance(10);
    source->requestLocation();
    const auto later = locations();
    ASSERT_EQ(later.size(), 2u);
    EXPECT_EQ(later[1].payload, R"({"accuracy":3,"latitude":1,"longitude":2})");
    EXPECT_EQ(later[1].ts, stampOf(world.runtime.clock().now()));
}

TEST_F(PlaceSignalTest, TheNetworkNameReachesNoRowAndNoLogLine) {
    test::LogCapture logs(/*revealPrivate=*/true);
    world.machine.setLocationAuthorization(Authorization::always);
    world.machine.joinWiFi(campus);
    world.machine.failCalls("subscribeWiFi", 1);
    world.machine.failNextLocation("no reading for " + std::string("the test"));
    world.settle();
    auto source = startSource();

    // Monitoring failed: the network was recorded at start, later changes are not seen.
    world.machine.joinWiFi("Other");
    world.settle();
    EXPECT_EQ(world.rows({Signal::wifi}), (std::vector<std::string>{wifiRow(campus)}));

    bool loggedMonitoring = false;
    bool loggedReading = false;
    for (const LogEntry& entry : logs.entries()) {
        EXPECT_EQ(entry.message.find("Campus"), std::string::npos) << entry.message;
        for (const std::string& argument : entry.arguments) {
            EXPECT_EQ(argument.find("Campus"), std::string::npos) << argument;
        }
        loggedMonitoring |= entry.category == "place" && entry.message.starts_with("Couldn't watch the Wi-Fi network");
        loggedReading |= entry.category == "place" && entry.message.starts_with("No location reading");
    }
    EXPECT_TRUE(loggedMonitoring);
    EXPECT_TRUE(loggedReading);
    for (const std::string& row : world.rows()) {
        EXPECT_EQ(row.find("Campus"), std::string::npos) << row;
    }
}

TEST_F(PlaceSignalTest, ANameIsGivenOnlyForTheJoinedNetworksHash) {
    world.machine.joinWiFi(campus);
    world.settle();
    auto source = startSource(); // not authorised: the name look-up does not care

    const auto salt = settings->data(settingsKeys::networkSalt);
    const auto joined = WiFiPayload::make(campus, *salt).network;
    const auto other = WiFiPayload::make(std::string("Home"), *salt).network;
    EXPECT_EQ(source->nameOfNetwork(*joined), campus);
    EXPECT_EQ(source->nameOfNetwork(*other), std::nullopt);
    EXPECT_EQ(source->nameOfNetwork(""), std::nullopt);
    world.machine.leaveWiFi();
    EXPECT_EQ(source->nameOfNetwork(*joined), std::nullopt);
    EXPECT_TRUE(world.rows(placeSignals).empty());
}

} // namespace
} // namespace ostrel
