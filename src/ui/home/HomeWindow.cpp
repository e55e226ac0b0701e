#include "ui/home/HomeWindow.hpp"

#include "app/home/TabSelection.hpp"
#include "app/shell/AppModel.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/editor/RoutineEditorWindow.hpp"
#include "ui/home/HomeView.hpp"

#include <QPointer>

#include <memory>

namespace ostrel::ui {

namespace {

QPointer<CloudPanel>& homeWindow() {
    static QPointer<CloudPanel> window;
    return window;
}

// The context of the application's window, as long-lived as the window.
std::unique_ptr<HomeContext>& appContext() {
    static std::unique_ptr<HomeContext> context;
    return context;
}

} // namespace

TabSelection& HomeWindow::selection() {
    static TabSelection selection;
    return selection;
}

void HomeWindow::show(AppModel& app, HomeTab tab) {
    if (homeWindow() == nullptr) {
        appContext() = std::make_unique<HomeContext>(HomeContext{
            app.store(),
            app.autopilot(),
            app.model(),
            app.place(),
            app.settings(),
            app.runtime(),
            app.platform(),
            app.calendar(),
            [&app](std::unique_ptr<RoutineDraft> draft, bool describing) {
                RoutineEditorWindow::show(app, std::move(draft), describing);
            },
            [&app](std::function<void()> changed) {
                return app.listen([changed = std::move(changed)](AppModel::Notification notification) {
                    if (notification == AppModel::Notification::routinesChanged) {
                        changed();
                    }
                });
            },
            [&app] { app.windows().showSettings(app, std::nullopt); },
        });
    }
    show(*appContext(), tab);
}

void HomeWindow::show(const HomeContext& context, HomeTab tab) {
    selection().setTab(tab);
    if (homeWindow() == nullptr) {
        auto* view = new HomeView(context, selection(), true);
        CloudPanel* window = CloudWindow::make(HomeView::size, CloudWindow::lightsAt, view);
        window->setWindowTitle("Ostrel");
        homeWindow() = window;
    }
    CloudPanel* window = homeWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

CloudPanel* HomeWindow::window() {
    return homeWindow();
}

void HomeWindow::discard() {
    delete homeWindow().data();
    homeWindow() = nullptr;
    appContext().reset();
}

HomeView* HomeWindow::view() {
    CloudPanel* window = homeWindow();
    return window != nullptr ? window->findChild<HomeView*>() : nullptr;
}

} // namespace ostrel::ui
