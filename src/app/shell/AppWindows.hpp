#pragma once

#include "core/foundation/Date.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {

class AppModel;
class NuvoTalk;
class ObservationWriter;

// The Home window's tabs.
enum class HomeTab { routines, time };

// The floating mascot: its mood is told when a class routine was set up, then redrawn.
class Nuvo {
public:
    virtual ~Nuvo() = default;
    // A class routine was set up at `at`; the class lasts until `until`.
    virtual void classSetUp(Date at, Date until) = 0;
    // Recomputes and shows the mood now.
    virtual void refresh() = 0;
};

// What the app model and the status menu open of the rest of the application: its windows, the
// score reminder and the mascot. The application passes its windows; the simulator and the tests
// pass recorders. Main executor only; each call returns at once.
class AppWindows {
public:
    virtual ~AppWindows() = default;

    // The one Home window on that tab (880 x 700, titled "Ostrel").
    virtual void showHome(AppModel& app, HomeTab tab) = 0;
    // The set-up window ("Set up Ostrel", 660 x 720).
    virtual void showOnboarding(AppModel& app) = 0;
    // The set-up window, when set-up is unfinished and its own showing rules allow it.
    virtual void showOnboardingIfNeeded(AppModel& app) = 0;
    // The settings window ("Ostrel Settings", 760 x 620) on section, or on the last one shown.
    virtual void showSettings(AppModel& app, std::optional<std::string> section) = 0;
    // The score export window as a reminder, when one is due by its own rules.
    virtual void showScoresReminderIfDue(AppModel& app) = 0;
    // Makes the mascot window over the writer's new observations; openHome asks for Home.
    virtual std::unique_ptr<Nuvo> makeNuvo(ObservationWriter* writer, NuvoTalk* talk,
                                           std::function<void()> openHome) = 0;
};

} // namespace ostrel
