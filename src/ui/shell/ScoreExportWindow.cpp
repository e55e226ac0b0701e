#include "ui/shell/ScoreExportWindow.hpp"

#include "app/scores/Budgets.hpp"
#include "app/shell/AppModel.hpp"
#include "app/shell/ScoreExportActions.hpp"
#include "app/shell/ScoreExportBuild.hpp"
#include "core/store/Store.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/shell/ScoreExportView.hpp"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QPointer>

#include <memory>

namespace ostrel::ui {

namespace {

// The desktop's clipboard.
class QtClipboard final : public Clipboard {
public:
    void setText(const std::string& text) override {
        QApplication::clipboard()->setText(QString::fromStdString(text), QClipboard::Clipboard);
    }
};

// The desktop's save dialog over the window, proposing the file name in the home folder.
class QtSavePanel final : public SavePanel {
public:
    explicit QtSavePanel(QWidget* window) : window_(window) {}
    std::optional<std::filesystem::path> chooseFile() override {
        const QString chosen = QFileDialog::getSaveFileName(
            window_, "Save my scores", QDir::home().filePath(QString::fromUtf8(proposedName)), "JSON (*.json)");
        if (chosen.isEmpty()) {
            return std::nullopt;
        }
        return std::filesystem::path(chosen.toStdString());
    }

private:
    QPointer<QWidget> window_;
};

// What one window owns besides its widgets: the build and the actions. A child of the view, so it
// goes with the window (the build's answer is then dropped).
class ExportController : public QObject {
public:
    ExportController(ScoreExportWindow::Sources sources, ScoreExportView* view)
        : QObject(view), view_(view), panel_(view),
          build_({sources.store, sources.runtime, sources.calendar, sources.version, sources.signals,
                  Budgets::current(sources.runtime.clock(),
                                   sources.store != nullptr
                                       ? std::optional<std::filesystem::path>(sources.store->url())
                                       : std::nullopt)}),
          actions_({sources.settings, clipboard_, panel_, ScoreExportActions::workspaceOpener(sources.workspace),
                    [] { QApplication::beep(); }}),
          recipient_(std::move(sources.recipient)) {
        QObject::connect(view, &ScoreExportView::copyChosen, this, [this] { actions_.copy(text()); });
        QObject::connect(view, &ScoreExportView::saveChosen, this, [this] { actions_.save(text()); });
        QObject::connect(view, &ScoreExportView::emailChosen, this, [this] { actions_.email(text(), recipient_); });
        build_.start([this] {
            if (build_.text()) {
                view_->setText(QString::fromStdString(*build_.text()));
            }
        });
    }

private:
    std::string text() const { return build_.text().value_or(std::string()); }

    ScoreExportView* view_;
    QtClipboard clipboard_;
    QtSavePanel panel_;
    ScoreExportBuild build_;
    ScoreExportActions actions_;
    std::optional<std::string> recipient_;
};

QPointer<CloudPanel>& openWindow() {
    static QPointer<CloudPanel> window;
    return window;
}

} // namespace

void ScoreExportWindow::open(Sources sources, bool reminder) {
    discard();
    const bool withRecipient = sources.recipient.has_value();
    auto* view = new ScoreExportView(sources.runtime.clock(), sources.appearance, reminder, true, withRecipient);
    new ExportController(std::move(sources), view);
    CloudPanel* window = CloudWindow::make(ScoreExportView::size, CloudWindow::lightsAt, view);
    window->setWindowTitle("Export my scores");
    window->setAttribute(Qt::WA_DeleteOnClose);
    openWindow() = window;
    window->show();
    window->raise();
    window->activateWindow();
    view->setFocus();
}

void ScoreExportWindow::open(AppModel& app, bool reminder, std::optional<std::string> recipient) {
    open(Sources{app.store(), app.runtime(), app.calendar(), app.settings(), app.platform().workspace,
                 app.platform().appearance, app.version().empty() ? std::string("dev") : app.version(),
                 app.signals(), std::move(recipient)},
         reminder);
}

CloudPanel* ScoreExportWindow::window() {
    return openWindow();
}

ScoreExportView* ScoreExportWindow::view() {
    CloudPanel* window = openWindow();
    return window != nullptr ? window->findChild<ScoreExportView*>() : nullptr;
}

void ScoreExportWindow::discard() {
    if (CloudPanel* window = openWindow()) {
        openWindow() = nullptr;
        window->hide();
        delete window;
    }
}

} // namespace ostrel::ui
