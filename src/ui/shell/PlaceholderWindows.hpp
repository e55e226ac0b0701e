#pragma once

#include "app/shell/AppWindows.hpp"

#include "ui/cloud/CloudPanel.hpp"

#include <QPointer>

#include <optional>
#include <string>

namespace ostrel {
class Appearance;
class Clock;
}

namespace ostrel::ui {



// The application's windows: Home is the real HomeWindow; set-up and settings, until their
// contents are built, are empty cloud windows of their size and title, made on first use, kept,
// and raised on every call. The
// set-up window is not shown by itself (its showing rules come with the set-up flow), there is no
// score reminder yet and the mascot draws nothing; those calls are logged.
//
// Threading: the GUI thread only.
class PlaceholderWindows final : public AppWindows {
public:
    // Both must outlive this. scoresRecipient: where "Email my scores" writes to; none: no mail button.
    PlaceholderWindows(const Clock& clock, Appearance& appearance,
                       std::optional<std::string> scoresRecipient = std::nullopt);
    ~PlaceholderWindows() override;

    void showHome(AppModel& app, HomeTab tab) override;
    void showOnboarding(AppModel& app) override;
    void showOnboardingIfNeeded(AppModel& app) override;
    void showSettings(AppModel& app, std::optional<std::string> section) override;
    void showScoresReminderIfDue(AppModel& app) override;
    std::unique_ptr<Nuvo> makeNuvo(ObservationWriter* writer, NuvoTalk* talk, std::function<void()> openHome) override;

    // The windows made so far; nothing before their first show.
    CloudPanel* home() const;
    CloudPanel* onboarding() const { return onboarding_; }
    CloudPanel* settings() const { return settings_; }

private:
    void present(QPointer<CloudPanel>& window, const char* art, QSize size, const char* title);

    const Clock& clock_;
    Appearance& appearance_;
    QPointer<CloudPanel> onboarding_;
    QPointer<CloudPanel> settings_;
    std::optional<std::string> scoresRecipient_;
};

} // namespace ostrel::ui
