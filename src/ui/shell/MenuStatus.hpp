#pragma once

#include "app/shell/UpcomingEvent.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::ui {

// What the status menu shows, read from the application after a refresh. The menu knows the
// application only through this value and MenuHost, so it and its tests need no app model.
struct MenuStatus {
    std::optional<std::string> storeError;
    bool paused = false; // the autopilot is paused until some moment
    std::optional<UpcomingEvent> nextUp;
    bool calendarReadable = false;
    int setupRemaining = 0;
    std::optional<std::string> lastRunName; // the autopilot's last run, by its routine's name

    friend bool operator==(const MenuStatus&, const MenuStatus&) = default;
};

// What a row of the menu does.
enum class MenuAction { finishSetup, undo, pause, resume, routines, time, settings, quit };

// "finishSetup", "undo", ... and back; an unknown text gives nothing.
std::string_view toString(MenuAction action);
std::optional<MenuAction> menuActionFromString(std::string_view text);

// The application as the menu sees it.
struct MenuHost {
    std::function<void()> refresh;            // brings the status up to date, synchronously
    std::function<MenuStatus()> status;       // read after refresh
    std::function<void(MenuAction)> perform;  // a row's action, called after the panel closed
};

} // namespace ostrel::ui
