#pragma once

#include "app/signals/BrowserSignal.hpp"

#include <array>
#include <optional>
#include <set>
#include <string_view>

namespace ostrel {

class AppModel;

// The set-up flow's model: which step the user is on and what each step needs. One per process,
// shared by the set-up window, the settings window and the app model's refresh (which counts the
// numbered steps still open).
//
// Threading: main executor only.
class Onboarding {
public:
    enum class Step { move = 0, welcome = 1, calendar = 2, location = 3, documents = 4, browser = 5, login = 6, done = 7 };
    // The steps the user is shown numbered, and the app model counts.
    static constexpr std::array<Step, 5> numbered{Step::calendar, Step::location, Step::documents, Step::browser,
                                                  Step::login};

    // Captures the default browser now (it is not looked up again) and moves to the first step that
    // is neither done nor skipped. app must outlive this.
    explicit Onboarding(AppModel& app);

    Onboarding(const Onboarding&) = delete;
    Onboarding& operator=(const Onboarding&) = delete;

    Step step() const { return step_; }
    bool waiting() const { return waiting_; }
    bool welcomed() const { return welcomed_; }
    const std::set<Step>& skipped() const { return skipped_; }
    const std::optional<BrowserSignal::DefaultBrowser>& defaultBrowser() const { return defaultBrowser_; }

    // Whether the step needs nothing more: calendar readable, location always allowed, windows
    // watched, the default browser followed (or none to follow), starting at login. The move step
    // never applies here (the application is not moved into place on this desktop); welcome is done
    // once welcomed.
    bool isDone(Step step) const;

private:
    void advance();

    AppModel& app_;
    Step step_ = Step::welcome;
    bool waiting_ = false;
    bool welcomed_ = false;
    std::set<Step> skipped_;
    std::optional<BrowserSignal::DefaultBrowser> defaultBrowser_;
};

std::string_view toString(Onboarding::Step step);

} // namespace ostrel
