#pragma once

#include "app/autopilot/AutopilotController.hpp"
#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "app/google/GoogleCalendar.hpp"
#include "app/shell/AppWindows.hpp"
#include "app/shell/ChangeNotifier.hpp"
#include "app/shell/LaunchAtLogin.hpp"
#include "app/shell/UpcomingEvent.hpp"
#include "app/signals/CalendarSource.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/observations/ExclusionList.hpp"
#include "platform/CommandRunner.hpp"
#include "platform/EventStore.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/LoginItems.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class NuvoTalk;
class Observer;
class PlaceSignal;
class Onboarding;
class Store;

// The application's central state. Making it builds and wires the running system: the login-item
// mirror, the store, the observer with every source, the autopilot, the assistant and the mascot,
// and the onboarding and score reminder at start and at each unlock. Afterwards it holds the
// status the menu and the windows show, and the calendar operations they call.
//
// Observable: a property whose value can be compared notifies only when it really changes;
// objects, the update closure and nextUp notify on every assignment.
//
// Threading: main executor only. Destruction is orderly: the mascot and the assistant go, then the
// autopilot, then the observer (sources stop, the writer drains), then the store closes.
class AppModel {
public:
    enum class Property {
        storeError,
        observationsToday,
        calendarStatus,
        calendarSeries,
        googleConnected,
        googleConnecting,
        googleError,
        calendarSource,
        calendarReadable,
        nextUp,
        watchingWindows,
        locationAuthorized,
        locationUndetermined,
        followedBrowsers,
        unfollowedBrowsers,
        setupRemaining,
        checkForUpdates,
        store,
        autopilot,
        nuvo,
        talk,
    };

    // Everything the model works with; every reference must outlive it.
    struct Services {
        Runtime& runtime;
        Platform& platform;
        LoginItems& loginItems;
        CommandRunner& commands; // the shortcuts tool
        Settings& settings;
        SecureRandom& random;
        BannerSurface& bannerSurface;
        AppWindows& windows;
        const Calendar& calendar; // the user's zone and locale
        std::string locale;       // ICU locale id of the banner's texts
        // The store's file: Store::defaultURL() in the application, a temporary one in tests.
        std::filesystem::path storeURL;
        std::string version;
        GoogleCalendar::Configuration google = {};
        ExclusionList exclusions = ExclusionList::defaultList();
        // The machine's language model for naming routines, describing them and the look-back;
        // none where there is no such role (the features then fall back as without a model).
        LanguageModel* model = nullptr;
    };

    // Cannot fail: a store that does not open is kept in storeError and nothing else is built.
    explicit AppModel(Services services);
    ~AppModel();

    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // Recomputes every status property from the store, the sources and the permissions, now,
    // synchronously.
    void refresh();

    // The calendar operations of the onboarding and settings views.
    void useAppleCalendar();
    void useGoogleCalendar();
    void connectGoogle();
    void disconnectGoogle();
    void requestCalendarAccess();

    // "calendar", "accessibility", "location", "browser": what the score export reports.
    std::map<std::string, bool> signals() const;

    Subscription observe(ChangeNotifier<Property>::Observer observer) { return changes_.observe(std::move(observer)); }

    // Happenings that are posted rather than kept: routinesChanged ("quevRoutinesChanged") follows
    // every write of routine edits (the editor's save and delete), so the routine lists reload.
    enum class Notification { routinesChanged };
    static std::string_view name(Notification notification);
    [[nodiscard]] Subscription listen(ChangeNotifier<Notification>::Observer observer) {
        return notifications_.observe(std::move(observer));
    }
    void post(Notification notification) const { notifications_.notify(notification); }

    LaunchAtLogin& launchAtLogin() { return launchAtLogin_; }
    Store* store() { return store_.get(); }
    const std::optional<std::string>& storeError() const { return storeError_; }
    std::int64_t observationsToday() const { return observationsToday_; }
    CalendarAccess calendarStatus() const { return calendarStatus_; }
    std::int64_t calendarSeries() const { return calendarSeries_; }
    bool googleConnected() const { return googleConnected_; }
    bool googleConnecting() const { return googleConnecting_; }
    const std::optional<std::string>& googleError() const { return googleError_; }
    CalendarSource calendarSource() const { return calendarSource_; }
    bool calendarReadable() const { return calendarReadable_; }
    const std::optional<UpcomingEvent>& nextUp() const { return nextUp_; }
    bool watchingWindows() const { return watchingWindows_; }
    bool locationAuthorized() const { return locationAuthorized_; }
    bool locationUndetermined() const { return locationUndetermined_; }
    const std::vector<std::string>& followedBrowsers() const { return followedBrowsers_; }
    const std::vector<std::string>& unfollowedBrowsers() const { return unfollowedBrowsers_; }
    int setupRemaining() const { return setupRemaining_; }
    AutopilotController* autopilot() { return autopilot_.get(); }
    // The autopilot's banner, for the surface to report presses to; none while the store is failed.
    Banner* banner() { return banner_.get(); }
    // The language model given at construction, or none.
    LanguageModel* model() { return services_.model; }
    // The observer's writer; none while the store is failed.
    ObservationWriter* writer();
    NuvoTalk* talk() { return talk_.get(); }
    // The place source, where the current Wi-Fi network is read; none while the store is failed.
    PlaceSignal* place();
    Nuvo* nuvo() { return nuvo_.get(); }
    // Whether an unlock registration is held (none while the store is failed).
    bool watchingUnlocks() const { return watchingUnlocks_; }

    // Written by the settings views.
    void setCalendarSource(CalendarSource source);
    void setGoogleConnecting(bool connecting);
    void setGoogleError(std::optional<std::string> error);

    // Told of every batch of new triggers on main, before the autopilot considers them (the
    // simulator's student keeps track of them).
    void setTriggerWatcher(std::function<void(const std::vector<Trigger>&)> watcher);

    // Asks for an update check; does nothing until the application sets it.
    void checkForUpdates() const;
    void setCheckForUpdates(std::function<void()> check);

    // The shared onboarding model, made on first use.
    Onboarding& onboarding();
    // Whether the browser source may script appID; false without an observer.
    bool browserPermitted(const std::string& appID) const;

    AppWindows& windows() { return services_.windows; }
    CommandRunner& commands() { return services_.commands; }
    Settings& settings() { return services_.settings; }
    const Platform& platform() const { return services_.platform; }
    Runtime& runtime() { return services_.runtime; }
    const Calendar& calendar() const { return services_.calendar; }
    // The release version ("dev" when the build has none).
    const std::string& version() const { return services_.version; }

private:
    void build();
    void unlocked();
    void chooseSource(CalendarSource source);
    CalendarAccess currentCalendarAccess() const;
    Date now() const;

    Services services_;
    ChangeNotifier<Property> changes_;
    ChangeNotifier<Notification> notifications_;
    LaunchAtLogin launchAtLogin_;
    std::unique_ptr<Store> store_; // declared before everything that uses it: closed last
    std::optional<std::string> storeError_;
    std::int64_t observationsToday_ = 0;
    CalendarAccess calendarStatus_ = CalendarAccess::notDetermined;
    std::int64_t calendarSeries_ = 0;
    bool googleConnected_ = false;
    bool googleConnecting_ = false;
    std::optional<std::string> googleError_;
    CalendarSource calendarSource_ = CalendarSource::apple;
    bool calendarReadable_ = false;
    std::optional<UpcomingEvent> nextUp_;
    bool watchingWindows_ = false;
    bool locationAuthorized_ = false;
    bool locationUndetermined_ = false;
    std::vector<std::string> followedBrowsers_;
    std::vector<std::string> unfollowedBrowsers_;
    int setupRemaining_ = 0;
    std::function<void()> checkForUpdates_ = [] {};
    std::function<void(const std::vector<Trigger>&)> triggerWatcher_;
    std::unique_ptr<Observer> observer_;
    std::unique_ptr<Banner> banner_;
    RunLedger ledger_;
    std::unique_ptr<Shortcuts> shortcuts_;
    std::unique_ptr<AutopilotController> autopilot_;
    std::unique_ptr<NuvoTalk> talk_;
    std::unique_ptr<Nuvo> nuvo_;
    std::unique_ptr<Onboarding> onboarding_;
    Subscription unlocks_;
    bool watchingUnlocks_ = false;
    // Last: callbacks posted from other queues do nothing once the model is gone.
    LifetimeGuard guard_;
};

} // namespace ostrel
