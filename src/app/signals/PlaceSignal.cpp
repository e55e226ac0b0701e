#include "app/signals/PlaceSignal.hpp"

#include "core/observations/LocationPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"
#include "platform/OperationError.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsError.hpp"
#include "platform/SettingsKeys.hpp"

namespace ostrel {

PlaceSignal::PlaceSignal(WiFi& wifi, Location& location, Settings& settings, SecureRandom& random,
                         ObservationWriter& writer, const Clock& clock, Executor& main)
    : wifi_(wifi), location_(location), writer_(writer), clock_(clock), main_(main),
      salt_(networkSalt(settings, random)) {}

std::vector<std::uint8_t> PlaceSignal::networkSalt(Settings& settings, SecureRandom& random) {
    if (auto stored = settings.data(settingsKeys::networkSalt); stored && !stored->empty()) {
        return std::move(*stored);
    }
    std::vector<std::uint8_t> salt = random.bytes(saltSize);
    try {
        settings.set(settingsKeys::networkSalt, SettingsData{salt});
    } catch (const SettingsError& error) {
        Logger("place").error("Couldn't store the network salt: %{public}s", error);
    }
    return salt;
}

void PlaceSignal::start() {
    wasAuthorized_ = authorizedAlways();
    locationEvents_ = location_.subscribe(main_, [this](const LocationEvent& event) { handle(event); });
    try {
        wifiChanges_ = wifi_.subscribe(main_, [this](const WiFiChange&) { recordWiFi(); });
    } catch (const OperationError& error) {
        logger_.error("Couldn't watch the Wi-Fi network: %@", error);
    }
    recordWiFi();
    if (authorizedAlways()) {
        requestLocation();
    }
}

void PlaceSignal::requestLocation() { location_.requestLocation(); }

LocationAuthorization PlaceSignal::authorization() const { return location_.authorization(); }

bool PlaceSignal::authorizedAlways() const { return authorization() == LocationAuthorization::always; }

std::optional<PlaceSignal::Network> PlaceSignal::currentNetwork() const {
    if (!authorizedAlways()) {
        return std::nullopt;
    }
    auto name = wifi_.ssid();
    if (!name) {
        return std::nullopt;
    }
    auto hash = WiFiPayload::make(*name, salt_).network;
    if (!hash) {
        return std::nullopt;
    }
    return Network{std::move(*name), std::move(*hash)};
}

std::optional<std::string> PlaceSignal::nameOfNetwork(const std::string& hash) const {
    auto name = wifi_.ssid();
    if (!name || WiFiPayload::make(*name, salt_).network != hash) {
        return std::nullopt;
    }
    return name;
}

void PlaceSignal::recordWiFi() {
    if (!authorizedAlways()) {
        return;
    }
    const auto name = wifi_.ssid();
    WiFiPayload payload = WiFiPayload::make(name ? std::optional<std::string_view>(*name) : std::nullopt, salt_);
    if (filter_.changed(payload)) {
        writer_.record(Signal::wifi, payload, clock_.now());
    }
}

void PlaceSignal::handle(const LocationEvent& event) {
    switch (event.kind) {
    case LocationEvent::Kind::authorizationChanged:
        // Only a grant matters; wasAuthorized never goes back, as the status may flicker.
        if (event.authorization == LocationAuthorization::always && !wasAuthorized_) {
            wasAuthorized_ = true;
            recordWiFi();
            if (authorizedAlways()) {
                requestLocation();
            }
        }
        return;
    case LocationEvent::Kind::fixes:
        recordFixes(event.fixes);
        return;
    case LocationEvent::Kind::failed:
        logger_.notice("No location reading: %s", event.error);
        return;
    }
}

void PlaceSignal::recordFixes(const std::vector<LocationFix>& fixes) {
    if (fixes.empty()) {
        return;
    }
    // Only the latest reading of a batch, dated when it was taken.
    const LocationFix& fix = fixes.back();
    if (const auto payload = LocationPayload::make(fix.latitude, fix.longitude, fix.accuracy)) {
        writer_.record(Signal::location, *payload, fix.time);
    } else {
        logger_.notice("A location reading without a usable accuracy was dropped");
    }
}

} // namespace ostrel
