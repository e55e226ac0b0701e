#pragma once

#include "core/foundation/Date.hpp"
#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// What this application may do with the user's calendars.
enum class CalendarAccess { notDetermined, restricted, denied, fullAccess, writeOnly };

// How the user answered an invitation.
enum class Participation { unknown, pending, accepted, declined, tentative };

// Whether an event takes place, as its organiser says; none when the calendar does not say.
enum class EventStatus { none, confirmed, tentative, cancelled };

struct EventAttendee {
    std::string name;
    bool currentUser = false; // this attendee is the machine's user
    Participation participation = Participation::unknown;

    friend bool operator==(const EventAttendee&, const EventAttendee&) = default;
};

// One occurrence of an event as the calendar store holds it, before any of it is judged: fields
// are absent exactly when the store leaves them out.
struct EventRecord {
    std::string identifier;                        // this store's own id of the event
    std::optional<std::string> externalIdentifier; // the id shared with the calendar's server
    std::optional<std::string> title;
    std::optional<Date> start;
    std::optional<Date> end;
    bool allDay = false;
    EventStatus status = EventStatus::none;
    std::vector<EventAttendee> attendees;           // in the store's order
    std::optional<Date> occurrence;                 // the start this occurrence was first scheduled at
    bool hasRecurrenceRules = false;
    bool detached = false;                          // an occurrence of a series moved on its own
    std::optional<std::string> location;
    std::optional<std::string> notes;
    std::optional<std::string> url;
    std::optional<std::string> calendarTitle;       // absent: the event belongs to no calendar

    friend bool operator==(const EventRecord&, const EventRecord&) = default;
};

// The user's local calendars: the access this application has, the events of a time range and a
// notice when anything in them changes.
//
// Threading: every member may be called from any thread. requestFullAccess() returns at once; its
// answer comes later, on a thread of the system's choosing. Change notices reach each subscriber
// on its executor.
class EventStore {
public:
    using Callback = std::function<void()>;

    virtual ~EventStore() = default;

    virtual Availability availability() const = 0;

    virtual CalendarAccess access() const = 0;
    // Asks the user for full access when they have not decided yet; done gets whether this
    // application has full access afterwards.
    virtual void requestFullAccess(std::function<void(bool granted)> done) = 0;
    // Drops what this store's object has cached, so the next read sees the calendars afresh.
    virtual void reset() = 0;
    // The occurrences overlapping [from, to) in every calendar, in the store's order; none
    // without full access or when the store cannot be read.
    virtual std::vector<EventRecord> events(Date from, Date to) = 0;
    // Called whenever events, calendars or the access change.
    virtual Subscription subscribe(Executor& executor, Callback changed) = 0;
};

} // namespace ostrel
