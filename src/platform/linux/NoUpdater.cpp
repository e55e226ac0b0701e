#include "platform/linux/NoUpdater.hpp"

#include "core/foundation/Logger.hpp"

namespace ostrel {

namespace {

constexpr const char* reason = "updates come from the system's package manager";

} // namespace

Availability NoUpdater::availability() const {
    return Availability::no(reason);
}

void NoUpdater::checkForUpdates() {
    static const Logger logger("updater");
    logger.notice("Not checking for updates: %{public}s", reason);
}

} // namespace ostrel
