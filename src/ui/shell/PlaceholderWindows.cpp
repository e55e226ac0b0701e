#include "ui/shell/PlaceholderWindows.hpp"

#include "app/shell/AppModel.hpp"
#include "app/shell/ScoresReminder.hpp"
#include "platform/Runtime.hpp"
#include "ui/home/HomeWindow.hpp"
#include "ui/shell/ScoreExportWindow.hpp"

#include "core/foundation/Logger.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/cloud/CloudWindow.hpp"

namespace ostrel::ui {

namespace {

const Logger& logger() {
    static const Logger logger("windows");
    return logger;
}

class QuietNuvo final : public Nuvo {
public:
    void classSetUp(Date, Date until) override { logger().debug("class set up until {}", until); }
    void refresh() override {}
};

} // namespace

PlaceholderWindows::PlaceholderWindows(const Clock& clock, Appearance& appearance,
                                       std::optional<std::string> scoresRecipient)
    : clock_(clock), appearance_(appearance), scoresRecipient_(std::move(scoresRecipient)) {}

PlaceholderWindows::~PlaceholderWindows() {
    HomeWindow::discard(); // its context reads the model this object serves
    ScoreExportWindow::discard();
    delete onboarding_.data();
    delete settings_.data();
}

void PlaceholderWindows::present(QPointer<CloudPanel>& window, const char* art, QSize size, const char* title) {
    if (!window) {
        auto* sky = new CloudScene(clock_, appearance_);
        sky->setArt(QString::fromLatin1(art));
        window = CloudWindow::make(size, CloudWindow::lightsAt, sky);
        window->setWindowTitle(QString::fromUtf8(title));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void PlaceholderWindows::showHome(AppModel& app, HomeTab tab) {
    HomeWindow::show(app, tab);
}

CloudPanel* PlaceholderWindows::home() const {
    return HomeWindow::window();
}

void PlaceholderWindows::showOnboarding(AppModel&) {
    present(onboarding_, "onboarding", CloudWindow::onboardingSize, "Set up Ostrel");
}

void PlaceholderWindows::showOnboardingIfNeeded(AppModel&) {
    logger().debug("set-up window not shown by itself yet");
}

void PlaceholderWindows::showSettings(AppModel&, std::optional<std::string>) {
    present(settings_, "settings", CloudWindow::settingsSize, "Ostrel Settings");
}

void PlaceholderWindows::showScoresReminderIfDue(AppModel& app) {
    ScoresReminder::showIfDue(app.settings(), app.runtime().clock().now(),
                              [&app, this] { ScoreExportWindow::open(app, true, scoresRecipient_); });
}

std::unique_ptr<Nuvo> PlaceholderWindows::makeNuvo(ObservationWriter*, NuvoTalk*, std::function<void()>) {
    return std::make_unique<QuietNuvo>();
}

} // namespace ostrel::ui
