#pragma once

#include "app/signals/AudioSignal.hpp"
#include "app/signals/BrowserSignal.hpp"
#include "app/signals/CalendarSignal.hpp"
#include "app/signals/DisplaySignal.hpp"
#include "app/signals/IdleSignal.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "app/signals/PowerSignal.hpp"
#include "app/signals/TriggerRecorder.hpp"
#include "app/signals/WindowSignal.hpp"
#include "app/signals/WorkspaceSignals.hpp"
#include "core/observations/ExclusionList.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "platform/HttpClient.hpp"
#include "platform/LoginRecords.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class Store;

// The application side of the observation pipeline: it makes the one observation writer, the
// trigger recorder and every signal source, wires their callbacks together, starts them in a fixed
// order, records that the application started ("quev.start") and keeps the observation table
// trimmed to its retention period. What is observed and how is each source's business.
//
// Threads: construct, start and destroy on the runtime's main executor. Destruction is orderly:
// the sources stop (their subscriptions and timers end), then the writer drains; the store, owned
// by the caller, closes after.
class Observer {
public:
    using OnNewTriggers = TriggerRecorder::OnNew;

    // Seconds between deletions of expired observations.
    static constexpr double retentionInterval = 86'400;
    static constexpr const char* accessibilityQueue = "Ostrel.accessibility";

    static constexpr const char* audioQueue = "Ostrel.audio";

    // Builds everything and starts nothing. store, runtime, platform, settings (where the network
    // salt and the calendar source are kept) and random must outlive it; onNewTriggers is called on
    // the writer's queue. exclusions holds the apps the window and workspace sources skip; the
    // browser source uses the built-in site exclusions. google configures the calendar source's
    // Google client; the default has no client id, so no sign-in is offered.
    Observer(Store& store, Runtime& runtime, Platform& platform, Settings& settings, SecureRandom& random,
             std::string version, ExclusionList exclusions, OnNewTriggers onNewTriggers,
             GoogleCalendar::Configuration google = {});
    ~Observer();

    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;

    // Records "quev.start", records triggers, starts the sources in order and schedules the
    // retention work. Once.
    void start();

    ObservationWriter& writer() { return writer_; }
    // The browsers this application may script, and the request for that permission.
    BrowserSignal& browser() { return browser_; }
    // Started again by whoever changes the calendar source or its access.
    CalendarSignal& calendar() { return calendar_; }
    // The current Wi-Fi network and its hash, for the routine editor's place cues.
    PlaceSignal& place() { return place_; }

    // The latest login of user at the console, in milliseconds since 1970: records of type 7 (a
    // user process) whose line is "console" and whose user is user. Nothing when none qualifies.
    // A record whose time has no 64-bit millisecond form is skipped.
    static std::optional<std::int64_t> loginTime(const std::vector<LoginRecord>& records,
                                                 const std::string& user);

private:
    void arrived();
    void eventStarted();
    void browserWindowChanged(const std::string& bundleID);
    void deleteExpiredObservations();
    void scheduleRetention();

    Store& store_;
    Runtime& runtime_;
    Platform& platform_;
    const std::string version_;
    HttpClient http_; // the Google client's
    // Declared before the sources, so it is destroyed after them: they record until they stop.
    ObservationWriter writer_;
    TriggerRecorder triggers_;
    PlaceSignal place_;
    BrowserSignal browser_;
    WindowSignal windows_;
    CalendarSignal calendar_;
    WorkspaceSignals workspace_;
    DisplaySignal displays_;
    AudioSignal audio_;
    PowerSignal power_;
    IdleSignal idle_;
    TaskHandle retention_;
    LifetimeGuard guard_;
};

} // namespace ostrel
