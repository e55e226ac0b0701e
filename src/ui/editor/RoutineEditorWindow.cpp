#include "ui/editor/RoutineEditorWindow.hpp"

#include "app/editor/EditorController.hpp"
#include "app/shell/AppModel.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/editor/QtPickers.hpp"
#include "ui/editor/RoutineEditor.hpp"

#include <QApplication>
#include <QPointer>

namespace ostrel::ui {

namespace {

QPointer<CloudPanel>& openWindow() {
    static QPointer<CloudPanel> window;
    return window;
}

// What the application's editor works with; made once, as long-lived as the app model it reads.
struct AppEditing {
    explicit AppEditing(AppModel& app)
        : pickers(nullptr),
          context{app.store(),
                  app.autopilot(),
                  app.place(),
                  app.model(),
                  app.platform(),
                  app.runtime(),
                  app.commands(),
                  pickers,
                  app.calendar(),
                  [&app] { app.post(AppModel::Notification::routinesChanged); },
                  [] { QApplication::beep(); },
                  [locale = app.calendar().locale()] { return InstalledApps::all(locale); }} {}

    QtPickers pickers;
    EditorContext context;
};

} // namespace

RoutineEditor* RoutineEditorWindow::show(AppModel& app, std::unique_ptr<RoutineDraft> draft, bool describing) {
    // The store, autopilot and observer are made once with the model, so one context serves every
    // window the model opens.
    static std::unique_ptr<AppEditing> editing;
    static AppModel* editingFor = nullptr;
    if (!editing || editingFor != &app) {
        close();
        editing = std::make_unique<AppEditing>(app);
        editingFor = &app;
    }
    return show(editing->context, std::move(draft), describing);
}

RoutineEditor* RoutineEditorWindow::show(const EditorContext& context, std::unique_ptr<RoutineDraft> draft,
                                         bool describing) {
    close();
    const QString title = QString::fromStdString(EditorController::windowTitle(*draft));
    auto* editor = new RoutineEditor(std::move(draft), context, [] { close(); }, true, describing);
    CloudPanel* window = CloudWindow::make(CloudWindow::editorSize, CloudWindow::lightsAt, editor);
    window->setWindowTitle(title);
    // Closing only hides a cloud window; the editor's draft goes with its window.
    window->setAttribute(Qt::WA_DeleteOnClose);
    openWindow() = window;
    window->show();
    window->raise();
    window->activateWindow();
    return editor;
}

CloudPanel* RoutineEditorWindow::current() {
    return openWindow();
}

RoutineEditor* RoutineEditorWindow::currentEditor() {
    CloudPanel* window = openWindow();
    return window != nullptr ? window->findChild<RoutineEditor*>() : nullptr;
}

void RoutineEditorWindow::close() {
    if (CloudPanel* window = openWindow()) {
        openWindow() = nullptr;
        window->hide();
        window->deleteLater();
    }
}

} // namespace ostrel::ui
