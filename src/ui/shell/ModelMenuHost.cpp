#include "ui/shell/ModelMenuHost.hpp"

#include "app/shell/AppModel.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/SettingsError.hpp"
#include "ui/shell/MenuContent.hpp"

namespace ostrel::ui {

namespace {

const Logger& logger() {
    static const Logger logger("menu");
    return logger;
}

} // namespace

MenuStatus menuStatus(AppModel& model) {
    MenuStatus status;
    status.storeError = model.storeError();
    status.nextUp = model.nextUp();
    status.calendarReadable = model.calendarReadable();
    status.setupRemaining = model.setupRemaining();
    if (AutopilotController* autopilot = model.autopilot()) {
        status.paused = autopilot->pausedUntil().has_value();
        if (const auto& run = autopilot->lastRun()) {
            status.lastRunName = run->name;
        }
    }
    return status;
}

MenuHost modelMenuHost(AppModel& model, std::function<void()> quit) {
    MenuHost host;
    host.refresh = [&model] { model.refresh(); };
    host.status = [&model] { return menuStatus(model); };
    host.perform = [&model, quit = std::move(quit)](MenuAction action) {
        AutopilotController* autopilot = model.autopilot();
        switch (action) {
        case MenuAction::finishSetup:
            model.windows().showOnboarding(model);
            break;
        case MenuAction::undo:
            if (autopilot != nullptr) {
                autopilot->undoLastRun();
            }
            break;
        case MenuAction::pause:
        case MenuAction::resume:
            try {
                if (autopilot != nullptr && action == MenuAction::pause) {
                    const Date now = model.runtime().clock().now();
                    autopilot->setPausedUntil(static_cast<Date>(MenuContent::pauseEnd(now, model.calendar())) / 1000.0);
                } else if (autopilot != nullptr) {
                    autopilot->setPausedUntil(std::nullopt);
                }
            } catch (const SettingsError& failure) {
                logger().error("the pause was not changed: {}", failure);
            }
            model.refresh();
            break;
        case MenuAction::routines:
            model.windows().showHome(model, HomeTab::routines);
            break;
        case MenuAction::time:
            model.windows().showHome(model, HomeTab::time);
            break;
        case MenuAction::settings:
            model.windows().showSettings(model, std::nullopt);
            break;
        case MenuAction::quit:
            if (quit) {
                quit();
            }
            break;
        }
    };
    return host;
}

} // namespace ostrel::ui
