#pragma once

#include "app/shell/AppWindows.hpp"

#include <string>
#include <vector>

namespace ostrel {

// The windows as the simulator and the tests have them: nothing is shown, every call is kept in
// order as one line ("home routines", "onboarding", "onboardingIfNeeded", "settings",
// "settings general", "scoresReminderIfDue", "nuvo", and the mascot's "classSetUp <at> <until>"
// and "nuvoRefresh"), so a run can be checked for what the user would have seen.
class RecordedWindows final : public AppWindows {
public:
    void showHome(AppModel& app, HomeTab tab) override;
    void showOnboarding(AppModel& app) override;
    void showOnboardingIfNeeded(AppModel& app) override;
    void showSettings(AppModel& app, std::optional<std::string> section) override;
    void showScoresReminderIfDue(AppModel& app) override;
    std::unique_ptr<Nuvo> makeNuvo(ObservationWriter* writer, NuvoTalk* talk, std::function<void()> openHome) override;

    const std::vector<std::string>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    // Asks for Home as the mascot would; nothing before the mascot is made.
    void openHomeFromNuvo();

private:
    std::vector<std::string> calls_;
    std::function<void()> openHome_;
};

std::string_view toString(HomeTab tab);

} // namespace ostrel
