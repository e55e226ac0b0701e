#include "ui/shell/AppDelegate.hpp"

#include "app/google/GoogleCalendar.hpp"
#include "app/shell/ScoresReminder.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/AppInfo.hpp"
#include "platform/UserCalendar.hpp"
#include "platform/linux/NoUpdater.hpp"
#include "platform/linux/XdgAutostart.hpp"
#include "ui/banner/BannerPanel.hpp"
#include "ui/shell/ModelMenuHost.hpp"
#include "ui/shell/PlaceholderWindows.hpp"
#include "ui/shell/QtStatusItem.hpp"
#include "ui/shell/StatusMenu.hpp"

#include <QApplication>
#include <iostream>

namespace ostrel::ui {

namespace {

const Logger& logger() {
    static const Logger logger("app");
    return logger;
}

} // namespace

AppDelegate::AppDelegate(QApplication& application, Runtime& runtime, Launch launch)
    : application_(application), runtime_(runtime), launch_(std::move(launch)),
      instance_(SingleInstance::lockPath()) {}

AppDelegate::~AppDelegate() {
    modelChanges_.cancel();
    menu_.reset();
    item_.reset();
    model_.reset();
    banner_.reset();
    windows_.reset();
}

void AppDelegate::launch() {
    try {
        if (instance_.tryAcquire()) {
            start();
            return;
        }
    } catch (const SingleInstanceError& failure) {
        // Without the lock two copies could run; saying why beats starting or vanishing silently.
        std::cerr << "ostrel: " << failure.what() << '\n';
        runtime_.main().post([this] { application_.exit(1); }); // the loop is not running yet
        return;
    }
    instance_.acquire(runtime_.main(), [this](bool held) {
        if (held) {
            start();
        } else {
            application_.exit(0);
        }
    });
}

void AppDelegate::start() {
    try {
        settings_ = std::make_unique<Settings>(Settings::defaultFolder());
    } catch (const std::exception& failure) {
        // The application still runs; what the user changes lasts until it quits.
        logger().error("preferences not opened, kept in memory: {}", failure);
        settings_ = std::make_unique<Settings>(Settings::inMemory);
    }
    platform_.emplace(unavailable_.platform());
    loginItems_ = std::make_unique<XdgAutostart>(XdgAutostart::userPaths().folder, launch_.executable);
    commands_ = std::make_unique<ProcessCommandRunner>(*settings_);
    calendar_.emplace(UserCalendar::make());
    updater_ = std::make_unique<NoUpdater>();
    const AppInfo info(launch_.version, launch_.resourceFolder, *settings_);
    windows_ = std::make_unique<PlaceholderWindows>(runtime_.clock(), platform_->appearance,
                                                    ScoresReminder::recipient(info));
    banner_ = std::make_unique<BannerPanel>([this](Banner::Which which) {
        if (model_ && model_->banner()) {
            model_->banner()->press(which);
        }
    });
    // The local model server of the preferences; its calls run on a queue of their own.
    languageModel_ =
        std::make_unique<LocalLanguageModel>(*settings_, runtime_.main(), runtime_.queue("Ostrel.model"));
    AppModel::Services services{runtime_,
                                *platform_,
                                *loginItems_,
                                *commands_,
                                *settings_,
                                random_,
                                *banner_,
                                *windows_,
                                *calendar_,
                                UserCalendar::locale(),
                                Store::defaultURL(),
                                launch_.version,
                                GoogleCalendar::Configuration::of(info)};
    services.model = languageModel_.get();
    model_ = std::make_unique<AppModel>(std::move(services));
    model_->setCheckForUpdates([this] { updater_->checkForUpdates(); });

    item_ = std::make_unique<QtStatusItem>();
    const Availability tray = item_->availability();
    if (!tray.available) {
        logger().info("no tray on this desktop, running without the menu: {}", tray.reason);
        item_.reset();
        return;
    }
    menu_ = std::make_unique<StatusMenu>(*item_, modelMenuHost(*model_, [this] { application_.quit(); }),
                                         runtime_.clock(), platform_->appearance);
    modelChanges_ = model_->observe([this](AppModel::Property) {
        if (menu_) {
            menu_->statusChanged();
        }
    });
}

} // namespace ostrel::ui
