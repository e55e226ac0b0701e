#pragma once

#include "core/foundation/Calendar.hpp"
#include "core/replay/ScoreExport.hpp"

#include <map>
#include <optional>
#include <string>

namespace ostrel {
class AppModel;
class Appearance;
class Runtime;
class Settings;
class Store;
class Workspace;
} // namespace ostrel

namespace ostrel::ui {

class CloudPanel;
class ScoreExportView;

// The one score export window ("Export my scores", 600 x 700): opening it closes the one open and
// shows a new one, which builds the export on the worker (from the budgets measured as it opens)
// and then offers Copy (the desktop's clipboard), Save… (a save dialog) and Email my scores (the
// desktop's mail handler). Closing it destroys it with anything still being built.
//
// Threading: the GUI thread only.
class ScoreExportWindow {
public:
    // What a window builds from and acts on; every reference must outlive the window.
    struct Sources {
        Store* store = nullptr; // none: "Scoring…" stays and no buttons show
        Runtime& runtime;
        const Calendar& calendar;
        Settings& settings;
        Workspace& workspace;
        Appearance& appearance;
        std::string version;
        std::map<std::string, bool> signals;
        std::optional<std::string> recipient;
    };

    // Closes the open export window and opens a new one (reminder: the reminder's words).
    static void open(Sources sources, bool reminder);
    // The same over the application: its store, signals, version, settings and roles.
    static void open(AppModel& app, bool reminder, std::optional<std::string> recipient);

    // The open window and its content; null when none is open.
    static CloudPanel* window();
    static ScoreExportView* view();
    // Destroys the open window now (tests and shutdown).
    static void discard();
};

} // namespace ostrel::ui
