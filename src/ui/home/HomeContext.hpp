#pragma once

#include "app/editor/RoutineDraft.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <memory>
#include <string>

namespace ostrel {
class AutopilotController;
class Calendar;
class LanguageModel;
class PlaceSignal;
class Runtime;
class Settings;
class Store;
struct Platform;
} // namespace ostrel

namespace ostrel::ui {

// What the Home window and its pages work with, gathered once by whoever opens it (the application
// from its app model; the developer tool and tests from parts of their own, over a database read in
// place). The pages read the store on the runtime's worker and hand results to its main executor,
// so the same pages run on the Qt loop and in virtual time. Every reference and pointer must
// outlive the window.
struct HomeContext {
    Store* store = nullptr;                   // none when the database did not open
    AutopilotController* autopilot = nullptr; // none: no routine is demoted, "Set up now" does nothing
    LanguageModel* model = nullptr;           // smart names and the look-back; none: neither
    PlaceSignal* place = nullptr;             // the current Wi-Fi network's name; none without an observer
    Settings& settings;                       // "smartNames", "demotedRoutines", "firstLaunch"
    Runtime& runtime;                         // clock, main and worker executors
    const Platform& platform;                 // item names and icons, what is open now
    const Calendar& calendar;                 // the user's zone and locale
    // Opens the routine editor on a draft, replacing one already open.
    std::function<void(std::unique_ptr<RoutineDraft> draft, bool describing)> openEditor;
    // Listens for "quevRoutinesChanged" (posted after every write of routine edits).
    std::function<Subscription(std::function<void()> changed)> listenRoutinesChanged;
    // Shows the settings window on the section it last showed.
    std::function<void()> openSettings;
};

} // namespace ostrel::ui
