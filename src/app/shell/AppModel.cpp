#include "app/shell/AppModel.hpp"

#include "app/assistant/NuvoTalk.hpp"
#include "app/home/ObserverPeriod.hpp"
#include "app/onboarding/Onboarding.hpp"
#include "app/scores/Budgets.hpp"
#include "app/signals/Observer.hpp"
#include "core/foundation/Logger.hpp"
#include "core/store/Store.hpp"
#include "platform/SettingsKeys.hpp"

#include <exception>
#include <utility>

namespace ostrel {

namespace {

const Logger& logger() {
    static const Logger logger("app");
    return logger;
}

std::int64_t milliseconds(Date date) {
    return truncatedMilliseconds(date).value_or(0);
}

std::string describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Something went wrong.";
    }
}

} // namespace

AppModel::AppModel(Services services)
    : services_(std::move(services)), launchAtLogin_(services_.loginItems) {
    calendarStatus_ = currentCalendarAccess();
    calendarSource_ = chosenCalendarSource(services_.settings, services_.platform.keychain);
    const WindowAccessibility& accessibility = services_.platform.accessibility;
    watchingWindows_ = accessibility.availability().available && accessibility.isTrusted();
    // Fixes the launch the score export measures resource use from.
    Budgets::launched(services_.runtime.clock());

    try {
        store_ = std::make_unique<Store>(services_.storeURL);
    } catch (const std::exception& failure) {
        storeError_ = failure.what();
        logger().error("the store did not open: {}", failure);
    }
    if (store_) {
        build();
    }
    refresh();
    ObserverPeriod::firstLaunch(services_.settings, now());
    if (!store_) {
        return;
    }
    // A misnamed installation is not renamed on this desktop: packages put the executable in place.

    if (observer_) {
        talk_ = std::make_unique<NuvoTalk>(store_.get(), autopilot_.get());
        nuvo_ = services_.windows.makeNuvo(&observer_->writer(), talk_.get(), guard_.wrap([this] {
            services_.windows.showHome(*this, HomeTab::routines);
        }));
        if (autopilot_) {
            autopilot_->setClassSetUp(guard_.wrap([this](Date classEnds) {
                if (nuvo_) {
                    nuvo_->classSetUp(now(), classEnds);
                    nuvo_->refresh();
                }
            }));
        }
    }
    Executor& main = services_.runtime.main();
    main.post(guard_.wrap([this] {
        services_.windows.showOnboardingIfNeeded(*this);
        services_.windows.showScoresReminderIfDue(*this);
    }));
    unlocks_ = services_.platform.session.subscribe(main, guard_.wrap([this](const SessionEvent& event) {
        if (event.kind == SessionEvent::Kind::unlocked) {
            unlocked();
        }
    }));
    watchingUnlocks_ = true;
}

AppModel::~AppModel() {
    // Nothing the model posted elsewhere reaches it from here on; then the members go in reverse
    // order: mascot, assistant, autopilot, observer (the writer drains), store.
    guard_.invalidate();
}

void AppModel::build() {
    Executor& main = services_.runtime.main();
    // The recorder calls this on the writer's queue; the autopilot lives on main.
    auto consider = guard_.wrap([this](const std::vector<Trigger>& triggers) {
        if (triggerWatcher_) {
            triggerWatcher_(triggers);
        }
        if (autopilot_) {
            autopilot_->consider(triggers);
        }
    });
    observer_ = std::make_unique<Observer>(
        *store_, services_.runtime, services_.platform, services_.settings, services_.random, services_.version,
        services_.exclusions,
        [&main, consider](std::vector<Trigger> triggers) mutable {
            main.post([consider, triggers = std::move(triggers)]() mutable { consider(triggers); });
        },
        services_.google);
    banner_ = std::make_unique<Banner>(services_.bannerSurface, main);
    shortcuts_ = std::make_unique<Shortcuts>(services_.commands);
    autopilot_ = std::make_unique<AutopilotController>(AutopilotController::Services{
        *store_, observer_->writer(), services_.runtime, services_.settings, services_.platform, *banner_, ledger_,
        *shortcuts_, services_.random, services_.calendar, services_.locale});
    observer_->start();
}

void AppModel::unlocked() {
    services_.windows.showOnboardingIfNeeded(*this);
    services_.windows.showScoresReminderIfDue(*this);
}

Date AppModel::now() const {
    return services_.runtime.clock().now();
}

CalendarAccess AppModel::currentCalendarAccess() const {
    const EventStore& events = services_.platform.events;
    // A desktop without calendars reads as one that will not let us in: never asked, never readable.
    return events.availability().available ? events.access() : CalendarAccess::restricted;
}

void AppModel::refresh() {
    const Platform& platform = services_.platform;

    launchAtLogin_.setStatus(launchAtLogin_.current());

    const Date moment = now();
    std::int64_t today = 0;
    std::int64_t series = 0;
    if (store_) {
        try {
            today = store_->observationCount(milliseconds(services_.calendar.startOfDay(moment)));
        } catch (const std::exception& failure) {
            logger().error("today's observations not counted: {}", failure);
        }
        try {
            series = static_cast<std::int64_t>(store_->calendarSeries().size());
        } catch (const std::exception& failure) {
            logger().error("calendar series not read: {}", failure);
        }
    }
    changes_.assign(observationsToday_, today, Property::observationsToday);
    changes_.assign(calendarStatus_, currentCalendarAccess(), Property::calendarStatus);
    changes_.assign(calendarSeries_, series, Property::calendarSeries);

    const bool hasToken = observer_ && observer_->calendar().google().hasToken();
    changes_.assign(googleConnected_, hasToken, Property::googleConnected);
    const CalendarSource source = chosenCalendarSource(services_.settings, platform.keychain);
    changes_.assign(calendarSource_, source, Property::calendarSource);

    bool readable = false;
    if (observer_) {
        readable = source == CalendarSource::google ? hasToken : calendarStatus_ == CalendarAccess::fullAccess;
    }
    changes_.assign(calendarReadable_, readable, Property::calendarReadable);

    std::optional<UpcomingEvent> next;
    if (readable && store_) {
        std::vector<UpcomingEvent> coming = UpcomingEvent::load(*store_, milliseconds(moment), 1, services_.calendar);
        if (!coming.empty()) {
            next = std::move(coming.front());
        }
    }
    nextUp_ = std::move(next);
    changes_.notify(Property::nextUp);

    const WindowAccessibility& accessibility = platform.accessibility;
    changes_.assign(watchingWindows_, accessibility.availability().available && accessibility.isTrusted(),
                    Property::watchingWindows);

    const bool locating = observer_ && platform.location.availability().available;
    const LocationAuthorization authorization =
        locating ? platform.location.authorization() : LocationAuthorization::denied;
    changes_.assign(locationAuthorized_, authorization == LocationAuthorization::always, Property::locationAuthorized);
    changes_.assign(locationUndetermined_, authorization == LocationAuthorization::notDetermined,
                    Property::locationUndetermined);

    changes_.assign(followedBrowsers_, observer_ ? observer_->browser().followedBrowsers() : std::vector<std::string>{},
                    Property::followedBrowsers);
    changes_.assign(unfollowedBrowsers_,
                    observer_ ? observer_->browser().unfollowedBrowsers() : std::vector<std::string>{},
                    Property::unfollowedBrowsers);

    Onboarding& steps = onboarding();
    int remaining = 0;
    for (const Onboarding::Step step : Onboarding::numbered) {
        if (!steps.isDone(step)) {
            ++remaining;
        }
    }
    changes_.assign(setupRemaining_, remaining, Property::setupRemaining);
}

void AppModel::chooseSource(CalendarSource source) {
    if (!observer_) {
        return;
    }
    try {
        services_.settings.set(settingsKeys::calendarSource, std::string(toString(source)));
    } catch (const std::exception& failure) {
        logger().error("calendar source not stored: {}", failure);
    }
    observer_->calendar().start();
    observer_->calendar().calendarChanged();
}

void AppModel::useAppleCalendar() {
    chooseSource(CalendarSource::apple);
    // Asked only while undecided, read now: a refresh may not have run since the user answered.
    if (currentCalendarAccess() == CalendarAccess::notDetermined) {
        requestCalendarAccess();
    }
    refresh();
}

void AppModel::useGoogleCalendar() {
    if (googleConnected_) {
        chooseSource(CalendarSource::google);
        refresh();
    } else {
        connectGoogle();
    }
}

void AppModel::connectGoogle() {
    if (!observer_ || googleConnecting_) {
        return;
    }
    setGoogleConnecting(true);
    setGoogleError(std::nullopt);
    observer_->calendar().connectGoogle(guard_.wrap([this](std::exception_ptr failure) {
        if (failure) {
            setGoogleError(describe(failure));
        }
        setGoogleConnecting(false);
        refresh();
    }));
}

void AppModel::disconnectGoogle() {
    if (observer_) {
        observer_->calendar().google().disconnect();
    }
    chooseSource(CalendarSource::apple);
    refresh();
}

void AppModel::requestCalendarAccess() {
    if (!observer_) {
        return;
    }
    observer_->calendar().requestAccess(guard_.wrap([this](bool) { refresh(); }));
}

std::map<std::string, bool> AppModel::signals() const {
    return {{"calendar", calendarReadable_},
            {"accessibility", watchingWindows_},
            {"location", locationAuthorized_},
            {"browser", !followedBrowsers_.empty()}};
}

void AppModel::setCalendarSource(CalendarSource source) {
    changes_.assign(calendarSource_, source, Property::calendarSource);
}

void AppModel::setGoogleConnecting(bool connecting) {
    changes_.assign(googleConnecting_, connecting, Property::googleConnecting);
}

void AppModel::setGoogleError(std::optional<std::string> error) {
    changes_.assign(googleError_, std::move(error), Property::googleError);
}

void AppModel::setTriggerWatcher(std::function<void(const std::vector<Trigger>&)> watcher) {
    triggerWatcher_ = std::move(watcher);
}

void AppModel::checkForUpdates() const {
    if (checkForUpdates_) {
        checkForUpdates_();
    }
}

void AppModel::setCheckForUpdates(std::function<void()> check) {
    checkForUpdates_ = std::move(check);
    changes_.notify(Property::checkForUpdates);
}

Onboarding& AppModel::onboarding() {
    if (!onboarding_) {
        onboarding_ = std::make_unique<Onboarding>(*this);
    }
    return *onboarding_;
}

ObservationWriter* AppModel::writer() {
    return observer_ ? &observer_->writer() : nullptr;
}

PlaceSignal* AppModel::place() {
    return observer_ ? &observer_->place() : nullptr;
}

std::string_view AppModel::name(Notification notification) {
    switch (notification) {
    case Notification::routinesChanged:
        return "quevRoutinesChanged";
    }
    return "";
}

bool AppModel::browserPermitted(const std::string& appID) const {
    return observer_ && observer_->browser().permits(appID);
}

} // namespace ostrel
