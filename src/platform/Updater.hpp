#pragma once

#include "platform/Availability.hpp"

#include <filesystem>

namespace ostrel {

// The application's own updates: a check the user asks for from the menu, and whether an updater
// runs in the background once the application has started.
//
// Threading: call it on the main executor.
class Updater {
public:
    virtual ~Updater() = default;

    virtual Availability availability() const = 0;
    // Looks for a newer version now, telling the user what it finds.
    virtual void checkForUpdates() = 0;
    // Whether this start runs an updater in the background.
    virtual bool startsUpdater() const = 0;
};

// Whether executablePath sits in the installed layout: in a "bin" folder whose sibling
// "share/ostrel" exists (/usr/bin/ostrel next to /usr/share/ostrel), as opposed to a build folder or
// a copy run by hand. Only an installed copy may be replaced by an updater, so this decides
// whether one would start. Give the resolved path (no symbolic links), as
// QCoreApplication::applicationFilePath() gives it.
bool runningFromInstalledLayout(const std::filesystem::path& executablePath);

} // namespace ostrel
