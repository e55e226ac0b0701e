#pragma once

#include "app/google/GoogleCalendar.hpp"
#include "app/signals/CalendarSource.hpp"
#include "core/calendar/CalendarEvent.hpp"
#include "platform/EventStore.hpp"
#include "platform/Executor.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ostrel {

class HttpClient;
class Keychain;
class ObservationWriter;
class SecureRandom;
class Settings;
class Store;

// Keeps the calendar events of the next four weeks in the store and records "calendar.event_start"
// when each begins. It reads the local calendars (the event store) or the Google calendar (the
// Google client it owns), as chosenCalendarSource() says.
//
// A sync stores the events from now to four weeks ahead (the store deletes stored ones of that
// range that are gone; events already begun are never deleted) and keeps those starting after now
// as the upcoming ones; one wall-clock timer waits for the next start. Every start is recorded once
// per object (by event key and occurrence); starts that fall due together are one batch with one
// idle and lock reading and one onEventStart call. Syncs come from start(), from a change (5 s
// after the last of a burst, on the monotonic clock) and once a day.
//
// Before a sync replaces the upcoming events it records those already due, so a start is not lost
// to a sync that runs at the moment it falls due. When the source can no longer be read, the start
// timer is cancelled and the upcoming events are forgotten: a calendar that is off records no
// starts. Stored rows stay either way.
//
// Threads: start(), calendarChanged(), requestAccess() and connectGoogle() from any thread; every
// piece of state lives on the "Ostrel.calendar" queue. onEventStart runs on that queue. Destroy it
// on the main executor once nothing calls it any more: its timers and subscriptions end with it.
class CalendarSignal {
public:
    static constexpr const char* queueLabel = "Ostrel.calendar";
    static constexpr double changeDelay = 5.0;        // monotonic seconds after the last change
    static constexpr double resyncInterval = 86'400;  // the daily sync
    static constexpr double horizon = 2'419'200;      // four weeks, either side of now

    using OnEventStart = std::function<void()>;

    // Every reference must outlive this object. The Google client is made here with google (an
    // empty client id: not configured, no sign-in) and reports on the runtime's main executor.
    CalendarSignal(Store& store, ObservationWriter& writer, Runtime& runtime, const Platform& platform,
                   Keychain& keychain, Settings& settings, HttpClient& http, SecureRandom& random,
                   GoogleCalendar::Configuration google, OnEventStart onEventStart);
    ~CalendarSignal();

    CalendarSignal(const CalendarSignal&) = delete;
    CalendarSignal& operator=(const CalendarSignal&) = delete;

    // Starts or stops the Google client's fetches as the source and its token say; then, when the
    // chosen source can be read, the first time sets up the change notice and the daily sync, and
    // syncs. Returns at once.
    void start();
    // A sync changeDelay after the last of a burst of calls. Returns at once.
    void calendarChanged();
    // Asks the user for calendar access; when granted, starts. then gets the answer on the main
    // executor, even when this object is gone by then.
    void requestAccess(std::function<void(bool granted)> then);
    // Runs the Google sign-in. On success the source becomes google, then start() and a
    // calendarChanged(); done gets nullptr. A failure is handed to done unchanged and nothing else
    // happens. done runs on the main executor.
    void connectGoogle(std::function<void(std::exception_ptr)> done);

    GoogleCalendar& google() { return *google_; }

    // Whether the session's screen is locked; false when the system cannot say.
    static bool screenIsLocked(SessionEvents& session);
    // Whole seconds since the last input; 0, logged, when the system cannot say.
    static std::int64_t idleSeconds(UserActivity& activity);

    // The stored form of a local calendar's event, or nothing for one that is all day, cancelled,
    // declined by the user (their first attendee entry decides) or without start or end.
    static std::optional<CalendarEvent> calendarEvent(const EventRecord& record);

private:
    void setUp();
    void sync();
    bool sourceReadable(CalendarSource source);
    bool recordDueStarts();
    void eventsStarted();
    void scheduleNextStart();
    void scheduleDailySync();

    std::unique_ptr<GoogleCalendar> google_; // first: destroyed after every callback that reaches it
    Store& store_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& queue_;
    Executor& main_;
    EventStore& events_;
    UserActivity& activity_;
    SessionEvents& session_;
    Keychain& keychain_;
    Settings& settings_;
    const OnEventStart onEventStart_;

    // On queue_ only.
    bool started_ = false;
    std::vector<CalendarEvent> upcoming_;
    std::set<std::string> recorded_; // "key|occurrence"; never pruned
    Subscription changes_;
    TaskHandle pendingSync_;
    TaskHandle dailyTimer_;
    TaskHandle startTimer_;
    LifetimeGuard guard_; // last
};

} // namespace ostrel
