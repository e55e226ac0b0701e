#pragma once

#include "platform/Appearance.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/BrowserScripting.hpp"
#include "platform/Displays.hpp"
#include "platform/EventStore.hpp"
#include "platform/Keychain.hpp"
#include "platform/Location.hpp"
#include "platform/LoginRecords.hpp"
#include "platform/PowerSources.hpp"
#include "platform/SessionEvents.hpp"
#include "platform/UserActivity.hpp"
#include "platform/WiFi.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

namespace ostrel {

// The roles the services are built with, one object per role, owned elsewhere (by the simulated
// machine or the desktop back end) and outliving every service. Passed by value; holds references.
struct Platform {
    Workspace& workspace;
    SessionEvents& session;
    UserActivity& activity;
    WindowAccessibility& accessibility;
    LoginRecords& logins;
    WiFi& wifi;
    Location& location;
    AudioSystem& audio;
    Displays& displays;
    PowerSources& power;
    BrowserScripting& scripting;
    EventStore& events;
    Keychain& keychain;
    Appearance& appearance;
};

} // namespace ostrel
