// The tray application: one copy per user, over the store, the observer and the autopilot.

#include "ui/Application.hpp"
#include "ui/QtRuntime.hpp"
#include "ui/QuitSignals.hpp"
#include "ui/shell/AppDelegate.hpp"

#include <QApplication>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

namespace {

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

std::optional<std::filesystem::path> executable() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return path;
}

// Installed, the resources sit in share/ostrel beside bin; in a build tree they are the sources'.
std::filesystem::path resourceFolder(const std::optional<std::filesystem::path>& executable) {
    if (executable) {
        const std::filesystem::path installed = executable->parent_path().parent_path() / "share" / "ostrel";
        std::error_code error;
        if (std::filesystem::is_directory(installed, error)) {
            return installed;
        }
    }
    return OSTREL_RESOURCES;
}

} // namespace

int main(int argc, char** argv) {
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::cerr << "ostrel: no desktop to show on (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset)\n";
        return 1;
    }
    // Before any thread starts, so that every thread inherits the mask and only the loop sees them.
    ostrel::ui::QuitSignals::block();
    try {
        QApplication application(argc, argv);
        ostrel::ui::prepareApplication(application);
        ostrel::ui::QtRuntime runtime;
        const auto path = executable();
        int status = 0;
        {
            ostrel::ui::AppDelegate delegate(application, runtime, {OSTREL_VERSION, path, resourceFolder(path)});
            const ostrel::ui::QuitSignals quit([&application](int) { application.quit(); });
            delegate.launch();
            status = application.exec();
        }
        return status;
    } catch (const std::exception& failure) {
        std::cerr << "ostrel: " << failure.what() << '\n';
        return 1;
    }
}
