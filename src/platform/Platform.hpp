#pragma once

#include "platform/LoginRecords.hpp"
#include "platform/SessionEvents.hpp"
#include "platform/UserActivity.hpp"
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
};

} // namespace ostrel
