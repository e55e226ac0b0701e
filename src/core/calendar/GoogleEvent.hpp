#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// One item of a Google Calendar events list, read for the keys that matter for class times. Only
// decoded, never encoded: a missing or null key is absent, a value of another JSON type fails.
struct GoogleEvent {
    struct Time {
        std::optional<std::string> dateTime = std::nullopt; // RFC 3339, with an offset
        std::optional<std::string> date = std::nullopt;     // all-day events only; not used

        static Time fromJSON(const json::Value& value);
    };

    struct Attendee {
        std::optional<bool> self = std::nullopt; // this entry is the calendar's own user
        std::optional<std::string> responseStatus = std::nullopt;

        static Attendee fromJSON(const json::Value& value);
    };

    struct Conference {
        struct EntryPoint {
            std::optional<std::string> entryPointType = std::nullopt;
            std::optional<std::string> uri = std::nullopt;

            static EntryPoint fromJSON(const json::Value& value);
        };
        std::optional<std::vector<EntryPoint>> entryPoints = std::nullopt;

        static Conference fromJSON(const json::Value& value);
    };

    struct Attachment {
        std::optional<std::string> fileUrl = std::nullopt;

        static Attachment fromJSON(const json::Value& value);
    };

    std::string id;
    std::optional<std::string> iCalUID = std::nullopt;
    std::optional<std::string> status = std::nullopt;
    std::optional<std::string> summary = std::nullopt;
    std::optional<std::string> location = std::nullopt;
    std::optional<std::string> description = std::nullopt;
    std::optional<Time> start = std::nullopt;
    std::optional<Time> end = std::nullopt;
    std::optional<Time> originalStartTime = std::nullopt;
    std::optional<std::string> recurringEventId = std::nullopt;
    std::optional<std::string> hangoutLink = std::nullopt;
    std::optional<Conference> conferenceData = std::nullopt;
    std::optional<std::vector<Attendee>> attendees = std::nullopt;
    std::optional<std::vector<Attachment>> attachments = std::nullopt;

    // Throws json::DecodingError.
    static GoogleEvent fromJSON(const json::Value& value);

    // The events of a list reply's "items", decoded one by one: an item that does not decode is
    // skipped and counted, so one odd event cannot keep a whole calendar from syncing.
    struct DecodedList {
        std::vector<GoogleEvent> events;
        std::size_t skipped = 0;
    };
    static DecodedList decodeList(const json::Value& items);

    // The class time this event stands for, listed from the named calendar; nothing for a cancelled
    // or declined event, an all-day event, or one without usable start and end times.
    std::optional<CalendarEvent> calendarEvent(const std::string& calendar) const;

    // An RFC 3339 date-time ("2026-09-07T09:30:00+02:00", "...T07:30:00.250Z"); nothing for any
    // other text.
    static std::optional<Date> date(std::string_view text);

    // The same instant in whole milliseconds, truncated toward zero, computed exactly from the text
    // (through a double, ".123" could come out as 122 ms).
    static std::optional<std::int64_t> milliseconds(std::string_view text);
};

} // namespace ostrel
