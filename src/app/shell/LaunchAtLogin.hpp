#pragma once

#include "app/shell/ChangeNotifier.hpp"
#include "platform/LoginItems.hpp"

#include <optional>
#include <string>

namespace ostrel {

// Whether the application starts at login, mirrored from the system's list, with the last
// failure to change it for the settings and onboarding views. The system keeps the registration;
// this only mirrors it, re-read after every set() and on every refresh of the app model.
//
// Threading: main executor only.
class LaunchAtLogin {
public:
    enum class Property { status, lastError };

    // items must outlive this. The status is read now.
    explicit LaunchAtLogin(LoginItems& items);

    LaunchAtLogin(const LaunchAtLogin&) = delete;
    LaunchAtLogin& operator=(const LaunchAtLogin&) = delete;

    LoginItemStatus status() const { return status_; }
    const std::optional<std::string>& lastError() const { return lastError_; }
    // Change the mirror only, never the registration; observers hear of real changes only.
    void setStatus(LoginItemStatus status);
    void setLastError(std::optional<std::string> lastError);

    // The system's status now: notFound while the role is not available.
    LoginItemStatus current() const;

    // Registers (on) or unregisters (off), keeps the failure's sentence in lastError (or clears
    // it) and re-reads the status either way. Never throws.
    void set(bool on);

    Subscription observe(ChangeNotifier<Property>::Observer observer) { return changes_.observe(std::move(observer)); }

private:
    LoginItems& items_;
    LoginItemStatus status_;
    std::optional<std::string> lastError_;
    ChangeNotifier<Property> changes_;
};

} // namespace ostrel
