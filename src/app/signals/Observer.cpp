#include "app/signals/Observer.hpp"

#include "app/signals/BrowserFamilies.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "core/observations/Signal.hpp"
#include "core/store/Store.hpp"

#include <limits>

namespace ostrel {

// Construction order: writer, trigger recorder, place, browser, windows, calendar, workspace,
// displays, audio, power, idle.
Observer::Observer(Store& store, Runtime& runtime, Platform& platform, Settings& settings,
                   SecureRandom& random, std::string version, ExclusionList exclusions,
                   OnNewTriggers onNewTriggers, GoogleCalendar::Configuration google)
    : store_(store), runtime_(runtime), platform_(platform),
      version_(version.empty() ? std::string("dev") : std::move(version)), writer_(store),
      triggers_(store, writer_, runtime.clock(), std::move(onNewTriggers)),
      place_(platform.wifi, platform.location, settings, random, writer_, runtime.clock(), runtime.main()),
      browser_(platform.scripting, platform.workspace, platform.accessibility, store, writer_,
               SiteExclusionList::defaultList(), runtime.clock(), runtime.main(), runtime.worker()),
      windows_(platform.accessibility, platform.workspace, writer_, runtime.clock(),
               runtime.queue(accessibilityQueue), exclusions,
               [this](const std::string& bundleID) { browserWindowChanged(bundleID); }),
      calendar_(store, writer_, runtime, platform, platform.keychain, settings, http_, random, std::move(google),
                [this] { eventStarted(); }),
      workspace_(platform.workspace, platform.session, writer_, runtime.clock(), runtime.main(), exclusions,
                 [this] { arrived(); }),
      displays_(platform.displays, writer_, runtime.clock(), runtime.main()),
      audio_(platform.audio, writer_, runtime.clock(), runtime.queue(audioQueue)),
      power_(platform.power, writer_, runtime.clock(), runtime.main()),
      idle_(platform.activity, writer_, runtime.clock(), runtime.main()) {}

Observer::~Observer() {
    // Waits for a retention run on the worker; none starts after this.
    guard_.invalidate();
    retention_.cancel();
}

// Start order: start record, triggers, workspace, displays, audio, power, idle, calendar,
// windows, place, browser, retention.
void Observer::start() {
    const auto login = loginTime(platform_.logins.records(), platform_.logins.userName());
    writer_.record(Signal::quevStart, OstrelStartPayload(platform_.logins.uptime(), version_, login),
                   runtime_.clock().now());
    triggers_.update();
    workspace_.start();
    displays_.start();
    audio_.start();
    power_.start();
    idle_.start();
    calendar_.start();
    windows_.start();
    place_.start();
    browser_.start();
    deleteExpiredObservations();
    scheduleRetention();
}

std::optional<std::int64_t> Observer::loginTime(const std::vector<LoginRecord>& records,
                                                const std::string& user) {
    std::optional<std::int64_t> latest;
    for (const LoginRecord& record : records) {
        if (record.type != LoginRecord::userProcess || record.line != "console" || record.user != user) {
            continue;
        }
        std::int64_t milliseconds = 0;
        if (__builtin_mul_overflow(record.seconds, std::int64_t{1000}, &milliseconds) ||
            __builtin_add_overflow(milliseconds, record.microseconds / 1000, &milliseconds)) {
            continue;
        }
        if (!latest || milliseconds > *latest) {
            latest = milliseconds;
        }
    }
    return latest;
}

// Snapshots the windows, asks for a location fix when always allowed, and records triggers.
void Observer::arrived() {
    windows_.snapshot();
    if (place_.authorization() == LocationAuthorization::always) {
        place_.requestLocation();
    }
    triggers_.update();
}

// Called on the calendar's queue after a batch of class starts: triggers first, then a fix on
// the main executor, where the place source lives.
void Observer::eventStarted() {
    triggers_.update();
    runtime_.main().post(guard_.wrap([this] {
        if (place_.authorization() == LocationAuthorization::always) {
            place_.requestLocation();
        }
    }));
}

// Called on the accessibility queue: a browser's window changed, so its front tab may have too.
void Observer::browserWindowChanged(const std::string& bundleID) {
    if (!BrowserFamilies::contains(bundleID)) {
        return;
    }
    runtime_.main().post(guard_.wrap([this] { browser_.readFrontTab(); }));
}

void Observer::deleteExpiredObservations() {
    runtime_.worker().post(guard_.wrap([this] {
        try {
            store_.deleteExpiredObservations(runtime_.clock().now());
        } catch (const std::exception&) {
            // Dropped: the next day's run tries again.
        }
    }));
}

void Observer::scheduleRetention() {
    retention_ = runtime_.main().postAfter(retentionInterval, guard_.wrap([this] {
        deleteExpiredObservations();
        scheduleRetention();
    }),
                                           TimeBase::boot);
}

} // namespace ostrel
