#pragma once

#include "app/ai/InstalledApps.hpp"

#include <functional>
#include <vector>

namespace ostrel {
class AutopilotController;
class Calendar;
class CommandRunner;
class LanguageModel;
class PlaceSignal;
class Pickers;
class Runtime;
class Store;
struct Platform;
} // namespace ostrel

namespace ostrel::ui {

// What the routine editor's window and sections work with, gathered once by whoever opens it (the
// application from its app model; the developer tool and tests from parts of their own). Every
// reference and pointer must outlive the window.
struct EditorContext {
    Store* store = nullptr;                   // none when the database did not open
    AutopilotController* autopilot = nullptr; // none without one
    PlaceSignal* place = nullptr;             // the current Wi-Fi network; none without an observer
    LanguageModel* model = nullptr;           // none: the describe card says why it cannot help
    const Platform& platform;
    Runtime& runtime;
    CommandRunner& commands; // the shortcuts tool
    Pickers& pickers;
    const Calendar& calendar;
    std::function<void()> routinesChanged; // the application's notification
    std::function<void()> beep;
    // The installed apps the describe card names to the model; called on a worker.
    std::function<std::vector<InstalledApps::App>()> installedApps = {};
};

} // namespace ostrel::ui
