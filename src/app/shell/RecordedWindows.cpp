#include "app/shell/RecordedWindows.hpp"

#include "core/foundation/Json.hpp"

namespace ostrel {

namespace {

class RecordedNuvo final : public Nuvo {
public:
    explicit RecordedNuvo(std::vector<std::string>& calls) : calls_(calls) {}
    void classSetUp(Date at, Date until) override {
        calls_.push_back("classSetUp " + json::Value(at).dump() + " " + json::Value(until).dump());
    }
    void refresh() override { calls_.push_back("nuvoRefresh"); }

private:
    std::vector<std::string>& calls_;
};

} // namespace

std::string_view toString(HomeTab tab) {
    return tab == HomeTab::routines ? "routines" : "time";
}

void RecordedWindows::showHome(AppModel&, HomeTab tab) {
    calls_.push_back("home " + std::string(toString(tab)));
}

void RecordedWindows::showOnboarding(AppModel&) {
    calls_.emplace_back("onboarding");
}

void RecordedWindows::showOnboardingIfNeeded(AppModel&) {
    calls_.emplace_back("onboardingIfNeeded");
}

void RecordedWindows::showSettings(AppModel&, std::optional<std::string> section) {
    calls_.push_back(section ? "settings " + *section : "settings");
}

void RecordedWindows::showScoresReminderIfDue(AppModel&) {
    calls_.emplace_back("scoresReminderIfDue");
}

std::unique_ptr<Nuvo> RecordedWindows::makeNuvo(ObservationWriter*, NuvoTalk*, std::function<void()> openHome) {
    calls_.emplace_back("nuvo");
    openHome_ = std::move(openHome);
    return std::make_unique<RecordedNuvo>(calls_);
}

void RecordedWindows::openHomeFromNuvo() {
    if (openHome_) {
        openHome_();
    }
}

} // namespace ostrel
