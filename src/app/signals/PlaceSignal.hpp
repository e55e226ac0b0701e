#pragma once

#include "core/foundation/Logger.hpp"
#include "core/observations/ChangeFilter.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/Location.hpp"
#include "platform/Subscription.hpp"
#include "platform/WiFi.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class ObservationWriter;
class SecureRandom;
class Settings;

// Records where the machine is: the joined Wi-Fi network as a salted hash that never reveals its
// name ("wifi", only on a change), and single location readings ("location"). Both only while the
// user allows location access always. It asks for a reading at start and when that access is
// granted; the observer asks for more at arrivals. It never asks the user for permission and
// never follows the location continuously.
//
// The network name goes nowhere but through WiFiPayload's hash: no row, log line or error text
// holds it. currentNetwork() and nameOfNetwork() hand it to the caller, for the user's own eyes.
//
// Threads: construct, start and destroy on the main executor; every event is handled there.
// Destroying it unsubscribes.
class PlaceSignal {
public:
    static constexpr std::size_t saltSize = 32;

    struct Network {
        std::string name; // raw SSID bytes
        std::string hash; // WiFiPayload's network field
    };

    // Every reference must outlive this object. Reads, and when needed makes, the salt now.
    PlaceSignal(WiFi& wifi, Location& location, Settings& settings, SecureRandom& random,
                ObservationWriter& writer, const Clock& clock, Executor& main);

    PlaceSignal(const PlaceSignal&) = delete;
    PlaceSignal& operator=(const PlaceSignal&) = delete;

    // Subscribes to location and Wi-Fi notices, records the network and, when authorised always,
    // asks for one reading. Once.
    void start();

    // Asks the system for one reading; it is recorded when it arrives. The caller checks
    // authorization() first: the observer asks only when it is "always".
    void requestLocation();
    LocationAuthorization authorization() const;

    // The joined network with its hash; nothing unless authorised always or when not joined.
    std::optional<Network> currentNetwork() const;
    // The joined network's name when its hash is hash; nothing for any other hash. Looks at no
    // authorisation.
    std::optional<std::string> nameOfNetwork(const std::string& hash) const;

    // The installation's salt of the network hash: the data stored under "networkSalt" when it
    // holds at least one byte; otherwise saltSize fresh bytes from random, stored there. A
    // stored value of another type, or empty, is replaced; a valid one never is. When storing
    // fails the fresh salt is still returned (hashes hold for this run) and the failure logged.
    // Throws SecureRandomError when the system's generator fails.
    static std::vector<std::uint8_t> networkSalt(Settings& settings, SecureRandom& random);

private:
    void handle(const LocationEvent& event);
    void recordWiFi();
    void recordFixes(const std::vector<LocationFix>& fixes);
    bool authorizedAlways() const;

    WiFi& wifi_;
    Location& location_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& main_;
    const std::vector<std::uint8_t> salt_;
    ChangeFilter<WiFiPayload> filter_;
    bool wasAuthorized_ = false;
    Logger logger_{"place"};
    // Last, so they end first: no notice arrives at a half-destroyed source.
    Subscription locationEvents_;
    Subscription wifiChanges_;
};

} // namespace ostrel
