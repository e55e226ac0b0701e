#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <optional>
#include <string>

namespace ostrel {

// Told that the name of the joined network may have changed (joined, left, roamed, or the same
// network associated again). It carries nothing: read WiFi::ssid() again.
struct WiFiChange {
    friend bool operator==(const WiFiChange&, const WiFiChange&) = default;
};

// The Wi-Fi network the machine is joined to.
//
// The network name is the user's private data: whoever reads it must not log it, put it in an
// error text or store it (a salted hash may be stored instead).
//
// Threading: every member may be called from any thread. Change notices reach each subscriber on
// the executor it subscribed with, in the order they happened.
class WiFi {
public:
    using Callback = std::function<void(const WiFiChange&)>;

    virtual ~WiFi() = default;

    virtual Availability availability() const = 0;

    // The joined network's name (SSID) as its raw bytes, which need not be UTF-8; absent when
    // there is no Wi-Fi interface or it is joined to no network.
    virtual std::optional<std::string> ssid() const = 0;

    // Watches for changes of the network name. Monitoring may be refused by the system: then it
    // throws OperationError and no notice will ever arrive (the caller may still read ssid()).
    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;
};

} // namespace ostrel
