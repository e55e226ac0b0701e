#pragma once

#include "app/shell/AppModel.hpp"
#include "core/foundation/Calendar.hpp"
#include "platform/LocalLanguageModel.hpp"
#include "platform/LoginItems.hpp"
#include "platform/ProcessCommandRunner.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/SingleInstance.hpp"
#include "platform/Updater.hpp"
#include "platform/linux/UnavailablePlatform.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace ostrel::ui {

class BannerPanel;
class PlaceholderWindows;
class QtStatusItem;
class StatusMenu;

// The running application: it waits until no other copy of it runs, then builds the model (with
// the store, the observer and the autopilot), the banner and the windows, and the tray menu, and
// owns them for the life of the process. A copy that finds another still running after the wait
// quits with status 0 having built nothing and said nothing.
//
// Threading: the GUI thread only. Destroy it after the loop has ended: the menu goes, then the
// model (sources stop, the writer drains, the store closes).
class AppDelegate {
public:
    struct Launch {
        std::string version;
        std::optional<std::filesystem::path> executable; // unknown: login items cannot be made
        std::filesystem::path resourceFolder;             // the Google sign-in's result page
    };

    // application and runtime must outlive this.
    AppDelegate(QApplication& application, Runtime& runtime, Launch launch);
    ~AppDelegate();

    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Tries for the single-instance lock now and during the wait; returns at once.
    void launch();

    // The model, once this copy runs.
    AppModel* model() { return model_.get(); }
    // The tray menu; none before the start or on a desktop without a tray.
    StatusMenu* menu() { return menu_.get(); }

private:
    void start();

    QApplication& application_;
    Runtime& runtime_;
    const Launch launch_;
    SingleInstance instance_;
    std::unique_ptr<Settings> settings_;
    UnavailablePlatform unavailable_;
    std::optional<Platform> platform_;
    std::unique_ptr<LoginItems> loginItems_;
    std::unique_ptr<ProcessCommandRunner> commands_;
    SecureRandom random_;
    std::optional<Calendar> calendar_;
    std::unique_ptr<Updater> updater_;
    std::unique_ptr<PlaceholderWindows> windows_;
    std::unique_ptr<BannerPanel> banner_;
    std::unique_ptr<LocalLanguageModel> languageModel_; // outlives the model that holds it
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<QtStatusItem> item_;
    std::unique_ptr<StatusMenu> menu_;
    Subscription modelChanges_;
};

} // namespace ostrel::ui
