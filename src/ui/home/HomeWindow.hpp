#pragma once

#include "app/shell/AppWindows.hpp"
#include "ui/home/HomeContext.hpp"

namespace ostrel {
class AppModel;
class TabSelection;
} // namespace ostrel

namespace ostrel::ui {

class CloudPanel;
class HomeView;

// The application's one Home window, titled "Ostrel": made on the first show, kept for the life of
// the process (closing only hides it) and never rebuilt, so its view keeps the context of that
// first show. Every show selects the asked tab and brings the window to the front.
//
// Threading: the GUI thread only.
class HomeWindow {
public:
    // The application's window over its app model: the model's store, autopilot, language model
    // and place source, the routine editor window, the settings window and "quevRoutinesChanged".
    static void show(AppModel& app, HomeTab tab);
    // The same over a context of the caller's, which must outlive the process's window.
    static void show(const HomeContext& context, HomeTab tab);

    // The one tab model; made on first use on Routines.
    static TabSelection& selection();
    // The window and its view; none before the first show.
    static CloudPanel* window();
    static HomeView* view();

    // Deletes the window and forgets its context, so the next show makes a new one: for tests and
    // tools that open it over contexts of their own, never for the application.
    static void discard();
};

} // namespace ostrel::ui
