#include "app/onboarding/Onboarding.hpp"

#include "app/shell/AppModel.hpp"
#include "app/signals/BrowserFamilies.hpp"
#include "platform/LoginItems.hpp"

namespace ostrel {

Onboarding::Onboarding(AppModel& app)
    : app_(app), defaultBrowser_(BrowserSignal::defaultBrowser(app.platform().workspace)) {
    advance();
}

bool Onboarding::isDone(Step step) const {
    switch (step) {
    case Step::move:
        return true;
    case Step::welcome:
        return welcomed_;
    case Step::calendar:
        return app_.calendarReadable();
    case Step::location:
        return app_.locationAuthorized();
    case Step::documents:
        return app_.watchingWindows();
    case Step::browser:
        return !defaultBrowser_ || !BrowserFamilies::contains(defaultBrowser_->appID) ||
               app_.browserPermitted(defaultBrowser_->appID);
    case Step::login:
        return app_.launchAtLogin().status() == LoginItemStatus::enabled;
    case Step::done:
        return false;
    }
    return false;
}

void Onboarding::advance() {
    while (step_ != Step::done && (isDone(step_) || skipped_.contains(step_))) {
        step_ = static_cast<Step>(static_cast<int>(step_) + 1);
    }
}

std::string_view toString(Onboarding::Step step) {
    switch (step) {
    case Onboarding::Step::move:
        return "move";
    case Onboarding::Step::welcome:
        return "welcome";
    case Onboarding::Step::calendar:
        return "calendar";
    case Onboarding::Step::location:
        return "location";
    case Onboarding::Step::documents:
        return "documents";
    case Onboarding::Step::browser:
        return "browser";
    case Onboarding::Step::login:
        return "login";
    case Onboarding::Step::done:
        return "done";
    }
    return "done";
}

} // namespace ostrel
