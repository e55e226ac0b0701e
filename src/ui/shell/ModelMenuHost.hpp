#pragma once

#include "ui/shell/MenuStatus.hpp"

#include <functional>

namespace ostrel {
class AppModel;
}

namespace ostrel::ui {

// The menu's view of the app model: its status after a refresh, and each row's action on the
// model, its autopilot and its windows. Pausing lasts until the start of the next calendar day in
// the model's calendar. quit ends the application.
MenuHost modelMenuHost(AppModel& model, std::function<void()> quit);

// The status as the menu shows it now, without refreshing.
MenuStatus menuStatus(AppModel& model);

} // namespace ostrel::ui
