#pragma once

#include "core/foundation/Date.hpp"
#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <string>
#include <vector>

namespace ostrel {

// What the user allowed this application to know about where the machine is.
enum class LocationAuthorization { notDetermined, whenInUse, always, denied };

// One position reading.
struct LocationFix {
    double latitude = 0;  // degrees
    double longitude = 0; // degrees
    double accuracy = 0;  // horizontal, metres
    Date time = 0;        // when the reading was taken, which may be before it is delivered

    friend bool operator==(const LocationFix&, const LocationFix&) = default;
};

struct LocationEvent {
    enum class Kind { authorizationChanged, fixes, failed };

    Kind kind = Kind::authorizationChanged;
    // authorizationChanged: the status now.
    LocationAuthorization authorization = LocationAuthorization::notDetermined;
    // fixes: one or more readings, oldest first.
    std::vector<LocationFix> fixes;
    // failed: the system's description of why there is no reading.
    std::string error;

    friend bool operator==(const LocationEvent&, const LocationEvent&) = default;
};

// Where the machine is, one reading at a time. Nothing here asks the user for permission: the
// application reads the status and lives with it.
//
// Threading: every member may be called from any thread. Events reach each subscriber on the
// executor it subscribed with, in the order they happened.
class Location {
public:
    using Callback = std::function<void(const LocationEvent&)>;

    virtual ~Location() = default;

    virtual Availability availability() const = 0;

    virtual LocationAuthorization authorization() const = 0;

    // Authorisation changes and the answers to requestLocation().
    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;

    // Asks for one reading at the best accuracy. Answered later, to every subscriber, by one
    // event of kind fixes or of kind failed (also when the status does not allow it). Never
    // throws and never blocks.
    virtual void requestLocation() = 0;
};

} // namespace ostrel
