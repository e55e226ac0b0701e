#include "app/signals/CalendarSignal.hpp"

#include "core/calendar/EventLinks.hpp"
#include "core/foundation/Logger.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace ostrel {

namespace {

const Logger& calendarLog() {
    static const Logger logger("calendar");
    return logger;
}

std::string eventID(const CalendarEvent& event) {
    return event.key + "|" + std::to_string(event.occurrence);
}

// Now as whole milliseconds, truncated; a clock past the int64 range reads as its end.
std::int64_t milliseconds(Date date) {
    return truncatedMilliseconds(date).value_or(std::numeric_limits<std::int64_t>::max());
}

} // namespace

CalendarSignal::CalendarSignal(Store& store, ObservationWriter& writer, Runtime& runtime, const Platform& platform,
                               Keychain& keychain, Settings& settings, HttpClient& http, SecureRandom& random,
                               GoogleCalendar::Configuration google, OnEventStart onEventStart)
    : google_(std::make_unique<GoogleCalendar>(std::move(google), keychain, platform.workspace, http, random,
                                               runtime.main(), runtime.worker())),
      store_(store), writer_(writer), clock_(runtime.clock()), queue_(runtime.queue(queueLabel)),
      main_(runtime.main()), events_(platform.events), activity_(platform.activity), session_(platform.session),
      keychain_(keychain), settings_(settings), onEventStart_(std::move(onEventStart)) {
    google_->setOnChange(guard_.wrap([this] { calendarChanged(); }));
}

CalendarSignal::~CalendarSignal() {
    // Waits for a callback running on another thread; none starts after this. The client's own
    // fetches end when it goes, after the guard.
    guard_.invalidate();
    google_->setOnChange(nullptr);
}

void CalendarSignal::start() {
    if (chosenCalendarSource(settings_, keychain_) == CalendarSource::google && google_->hasToken()) {
        google_->start();
    } else {
        google_->stop();
    }
    // Chosen again: the first read may have settled and written it.
    const CalendarSource source = chosenCalendarSource(settings_, keychain_);
    if (source == CalendarSource::apple ? events_.access() != CalendarAccess::fullAccess : !google_->hasToken()) {
        return;
    }
    queue_.post(guard_.wrap([this] {
        if (started_) {
            sync();
            return;
        }
        setUp();
        sync();
    }));
}

// Once per object: a fresh view of the event store, its change notice and the daily sync.
void CalendarSignal::setUp() {
    started_ = true;
    events_.reset();
    changes_ = events_.subscribe(queue_, guard_.wrap([this] { calendarChanged(); }));
    scheduleDailySync();
}

void CalendarSignal::scheduleDailySync() {
    dailyTimer_ = queue_.postAt(clock_.now() + resyncInterval, guard_.wrap([this] {
        scheduleDailySync();
        sync();
    }));
}

void CalendarSignal::calendarChanged() {
    queue_.post(guard_.wrap([this] {
        pendingSync_ = queue_.postAfter(changeDelay, guard_.wrap([this] { sync(); }), TimeBase::monotonic);
    }));
}

void CalendarSignal::requestAccess(std::function<void(bool granted)> then) {
    auto startIfAlive = guard_.wrap([this] { start(); });
    events_.requestFullAccess([startIfAlive, &main = main_, then = std::move(then)](bool granted) mutable {
        if (granted) {
            startIfAlive();
        }
        if (then) {
            main.post([then = std::move(then), granted] { then(granted); });
        }
    });
}

void CalendarSignal::connectGoogle(std::function<void(std::exception_ptr)> done) {
    auto connected = guard_.wrap([this] {
        try {
            settings_.set(settingsKeys::calendarSource, std::string(toString(CalendarSource::google)));
        } catch (const std::exception& error) {
            calendarLog().error("Couldn't save the calendar source: %{public}s", error);
        }
        start();
        calendarChanged();
    });
    google_->connect([connected, done = std::move(done)](std::exception_ptr error) mutable {
        if (!error) {
            connected();
        }
        if (done) {
            done(error);
        }
    });
}

bool CalendarSignal::screenIsLocked(SessionEvents& session) {
    return session.isLocked();
}

std::int64_t CalendarSignal::idleSeconds(UserActivity& activity) {
    const std::optional<double> seconds = activity.idleSeconds();
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0 ||
        *seconds >= static_cast<double>(std::numeric_limits<std::int64_t>::max())) {
        calendarLog().error("Couldn't read the idle time");
        return 0;
    }
    return static_cast<std::int64_t>(*seconds);
}

bool CalendarSignal::sourceReadable(CalendarSource source) {
    const bool readable =
        source == CalendarSource::google ? google_->hasToken() : events_.access() == CalendarAccess::fullAccess;
    if (!readable) {
        calendarLog().notice("%{public}s can't be read; the calendar Signal is off",
                     source == CalendarSource::google ? "Google Calendar" : "Apple Calendar");
    }
    return readable;
}

void CalendarSignal::sync() {
    // Starts due by now belong to the events being replaced: record them before they are.
    if (recordDueStarts() && onEventStart_) {
        onEventStart_();
    }
    const CalendarSource source = chosenCalendarSource(settings_, keychain_);
    if (!sourceReadable(source)) {
        // A calendar that is off records no starts; what was stored stays.
        startTimer_.cancel();
        upcoming_.clear();
        return;
    }
    const Date now = clock_.now();
    const std::int64_t from = milliseconds(now);
    std::int64_t to = milliseconds(now + horizon);
    std::vector<CalendarEvent> events;
    if (source == CalendarSource::apple) {
        for (const EventRecord& record : events_.events(now - horizon, now + horizon)) {
            if (auto event = calendarEvent(record)) {
                events.push_back(std::move(*event));
            }
        }
    } else if (auto fetched = google_->fetched()) {
        events = std::move(*fetched);
    } else {
        // Nothing fetched yet is not an empty calendar: store nothing, delete nothing.
        to = from;
    }
    try {
        store_.syncCalendar(events, from, to, from);
    } catch (const std::exception& error) {
        calendarLog().error("Couldn't store the calendar: %@", error);
    }
    upcoming_.clear();
    std::copy_if(events.begin(), events.end(), std::back_inserter(upcoming_),
                 [from](const CalendarEvent& event) { return event.start > from; });
    std::stable_sort(upcoming_.begin(), upcoming_.end(),
                     [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });
    scheduleNextStart();
}

void CalendarSignal::scheduleNextStart() {
    startTimer_.cancel();
    const auto next = std::ranges::find_if(
        upcoming_, [this](const CalendarEvent& event) { return recorded_.count(eventID(event)) == 0; });
    if (next == upcoming_.end()) {
        return;
    }
    // A start already past fires at once: the deadline is never before now.
    const Date deadline = std::max(static_cast<double>(next->start) / 1000.0, clock_.now());
    startTimer_ = queue_.postAt(deadline, guard_.wrap([this] { eventsStarted(); }));
}

// Records every upcoming start due by now that is not recorded yet, as one batch, and drops every
// due event from upcoming. Says whether it recorded any.
bool CalendarSignal::recordDueStarts() {
    const std::int64_t now = milliseconds(clock_.now());
    std::vector<const CalendarEvent*> due;
    for (const CalendarEvent& event : upcoming_) {
        if (event.start <= now && recorded_.count(eventID(event)) == 0) {
            due.push_back(&event);
        }
    }
    if (!due.empty()) {
        const std::int64_t idle = idleSeconds(activity_);
        const bool locked = screenIsLocked(session_);
        for (const CalendarEvent* event : due) {
            recorded_.insert(eventID(*event));
            writer_.record(Signal::eventStart, EventStartPayload{event->key, event->occurrence, event->start, idle, locked},
                           clock_.now());
        }
    }
    std::erase_if(upcoming_, [now](const CalendarEvent& event) { return event.start <= now; });
    return !due.empty();
}

void CalendarSignal::eventsStarted() {
    if (recordDueStarts() && onEventStart_) {
        onEventStart_();
    }
    scheduleNextStart();
}

std::optional<CalendarEvent> CalendarSignal::calendarEvent(const EventRecord& record) {
    if (record.allDay || record.status == EventStatus::cancelled) {
        return std::nullopt;
    }
    const auto me = std::ranges::find_if(record.attendees, &EventAttendee::currentUser);
    if (me != record.attendees.end() && me->participation == Participation::declined) {
        return std::nullopt;
    }
    if (!record.start || !record.end) {
        return std::nullopt;
    }
    const auto start = truncatedMilliseconds(*record.start);
    const auto end = truncatedMilliseconds(*record.end);
    const auto occurrence = truncatedMilliseconds(record.occurrence.value_or(*record.start));
    if (!start || !end || !occurrence) {
        return std::nullopt; // no millisecond form: nothing a calendar gives
    }
    CalendarEvent event;
    event.key = record.externalIdentifier && !record.externalIdentifier->empty() ? *record.externalIdentifier
                                                                               : record.identifier;
    event.occurrence = *occurrence;
    event.recurring = record.hasRecurrenceRules || record.detached;
    event.title = record.title.value_or("");
    event.start = *start;
    event.end = *end;
    if (record.location && !record.location->empty()) {
        event.location = record.location;
    }
    event.calendar = record.calendarTitle.value_or("");
    event.links = EventLinks::links({record.url}, {record.notes, record.location});
    return event;
}

} // namespace ostrel
