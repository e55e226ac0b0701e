#pragma once

#include "platform/Updater.hpp"

namespace ostrel {

// Linux has no self-updater: the distribution's package manager updates the application. A check
// only says so in the log.
class NoUpdater final : public Updater {
public:
    Availability availability() const override;
    void checkForUpdates() override;
    bool startsUpdater() const override { return false; }
};

} // namespace ostrel
