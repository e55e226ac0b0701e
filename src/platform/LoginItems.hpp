#pragma once

#include "platform/Availability.hpp"

#include <optional>
#include <string_view>

namespace ostrel {

// Whether this application starts when the user logs in.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

std::string_view toString(LoginItemStatus status);

// The system's list of what starts at login, for this application only.
//
// Threading: every member may be called from any thread.
class LoginItems {
public:
    virtual ~LoginItems() = default;

    virtual Availability availability() const = 0;

    // This application's registration now; notFound when the system cannot find the application
    // to register (its executable is unknown).
    virtual LoginItemStatus status() const = 0;
    // Starts this application at login. Throws OperationError with a sentence for the user.
    virtual void registerApp() = 0;
    // Stops starting it at login; nothing else of the user's list is touched. Throws OperationError.
    virtual void unregisterApp() = 0;
};

} // namespace ostrel
