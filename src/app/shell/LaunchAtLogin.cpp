#include "app/shell/LaunchAtLogin.hpp"

#include "platform/OperationError.hpp"

#include <exception>

namespace ostrel {

LaunchAtLogin::LaunchAtLogin(LoginItems& items) : items_(items), status_(current()) {}

void LaunchAtLogin::setStatus(LoginItemStatus status) {
    changes_.assign(status_, status, Property::status);
}

void LaunchAtLogin::setLastError(std::optional<std::string> lastError) {
    changes_.assign(lastError_, std::move(lastError), Property::lastError);
}

LoginItemStatus LaunchAtLogin::current() const {
    return items_.availability().available ? items_.status() : LoginItemStatus::notFound;
}

void LaunchAtLogin::set(bool on) {
    std::optional<std::string> failure;
    try {
        if (!items_.availability().available) {
            throw OperationError("Starting at login isn't available on this desktop.");
        }
        if (on) {
            items_.registerApp();
        } else {
            items_.unregisterApp();
        }
    } catch (const std::exception& error) {
        failure = error.what();
    }
    setLastError(std::move(failure));
    setStatus(current());
}

} // namespace ostrel
