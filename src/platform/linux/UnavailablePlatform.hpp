#pragma once

#include "platform/Platform.hpp"

#include <memory>

namespace ostrel {

// A "not available" implementation of every platform role, for a desktop without a back end for
// it: availability() says no, reads give nothing, empty or the refused answer each role documents,
// subscriptions never deliver, and operations throw OperationError. Its own facts stay true
// (Workspace::ownPid(), the login name, the uptime).
//
// It only supplies defaults: the application builds its Platform field by field, from the desktop
// back ends it has and from these accessors for the rest, so a real back end replaces one role by
// changing one field. platform() is the whole set, for a desktop with none.
class UnavailablePlatform {
public:
    UnavailablePlatform();
    ~UnavailablePlatform();

    UnavailablePlatform(const UnavailablePlatform&) = delete;
    UnavailablePlatform& operator=(const UnavailablePlatform&) = delete;

    static constexpr const char* reason = "not available on this desktop yet";

    Workspace& workspace();
    SessionEvents& session();
    UserActivity& activity();
    WindowAccessibility& accessibility();
    LoginRecords& logins();
    WiFi& wifi();
    Location& location();
    AudioSystem& audio();
    Displays& displays();
    PowerSources& power();
    BrowserScripting& scripting();
    EventStore& events();
    Keychain& keychain();
    Appearance& appearance();

    // Every role from this object.
    Platform platform();

private:
    struct Roles;
    std::unique_ptr<Roles> roles_;
};

} // namespace ostrel
