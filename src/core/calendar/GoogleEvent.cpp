#include "core/calendar/GoogleEvent.hpp"

#include "core/calendar/EventLinks.hpp"

namespace ostrel {

namespace {

// An RFC 3339 date-time as whole seconds since 1970 and the fraction's nanoseconds (0 ... 999,999,999).
struct Instant {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // Exactly count digits.
    std::optional<int> digits(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= text_.size() || text_[at_] < '0' || text_[at_] > '9') {
                return std::nullopt;
            }
            value = value * 10 + (text_[at_++] - '0');
        }
        return value;
    }
    bool literal(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool literalEither(char upper, char lower) { return literal(upper) || literal(lower); }
    bool done() const { return at_ == text_.size(); }
    bool peekDigit() const { return at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<Instant> parseInstant(std::string_view text) {
    Reader reader(text);
    const auto year = reader.digits(4);
    if (!year || !reader.literal('-')) {
        return std::nullopt;
    }
    const auto month = reader.digits(2);
    if (!month || !reader.literal('-')) {
        return std::nullopt;
    }
    const auto day = reader.digits(2);
    if (!day || !reader.literalEither('T', 't')) {
        return std::nullopt;
    }
    const auto hour = reader.digits(2);
    if (!hour || !reader.literal(':')) {
        return std::nullopt;
    }
    const auto minute = reader.digits(2);
    if (!minute || !reader.literal(':')) {
        return std::nullopt;
    }
    const auto second = reader.digits(2);
    if (!second) {
        return std::nullopt;
    }
    std::int64_t nanoseconds = 0;
    if (reader.literal('.')) {
        if (!reader.peekDigit()) {
            return std::nullopt;
        }
        std::int64_t scale = 100'000'000;
        while (reader.peekDigit()) {
            const int digit = *reader.digits(1);
            nanoseconds += digit * scale; // digits past nanoseconds are cut off
            scale /= 10;
        }
    }
    int offsetMinutes = 0;
    if (!reader.literalEither('Z', 'z')) {
        int sign = 0;
        if (reader.literal('+')) {
            sign = 1;
        } else if (reader.literal('-')) {
            sign = -1;
        } else {
            return std::nullopt;
        }
        const auto offsetHours = reader.digits(2);
        if (!offsetHours) {
            return std::nullopt;
        }
        reader.literal(':'); // "+02:00" and "+0200" alike
        const auto offsetMinute = reader.digits(2);
        if (!offsetMinute || *offsetHours > 23 || *offsetMinute > 59) {
            return std::nullopt;
        }
        offsetMinutes = sign * (*offsetHours * 60 + *offsetMinute);
    }
    if (!reader.done()) {
        return std::nullopt;
    }

    static constexpr int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (*month < 1 || *month > 12 || *day < 1) {
        return std::nullopt;
    }
    const int monthDays = daysInMonth[*month - 1] + (*month == 2 && isLeapYear(*year) ? 1 : 0);
    // A leap second (":60") is a valid reading; it counts as the first second of the next minute.
    if (*day > monthDays || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    const std::int64_t days =
        daysFromCivil(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day));
    const std::int64_t seconds = days * 86'400 + *hour * 3'600 + *minute * 60 + *second -
                                 static_cast<std::int64_t>(offsetMinutes) * 60;
    return Instant{seconds, nanoseconds};
}

} // namespace

GoogleEvent::Time GoogleEvent::Time::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::string>("dateTime"), reader.optional<std::string>("date")};
}

GoogleEvent::Attendee GoogleEvent::Attendee::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<bool>("self"), reader.optional<std::string>("responseStatus")};
}

GoogleEvent::Conference::EntryPoint GoogleEvent::Conference::EntryPoint::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::string>("entryPointType"), reader.optional<std::string>("uri")};
}

GoogleEvent::Conference GoogleEvent::Conference::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::vector<EntryPoint>>("entryPoints")};
}

GoogleEvent::Attachment GoogleEvent::Attachment::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::string>("fileUrl")};
}

GoogleEvent GoogleEvent::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    GoogleEvent event;
    event.id = reader.required<std::string>("id");
    event.iCalUID = reader.optional<std::string>("iCalUID");
    event.status = reader.optional<std::string>("status");
    event.summary = reader.optional<std::string>("summary");
    event.location = reader.optional<std::string>("location");
    event.description = reader.optional<std::string>("description");
    event.start = reader.optional<Time>("start");
    event.end = reader.optional<Time>("end");
    event.originalStartTime = reader.optional<Time>("originalStartTime");
    event.recurringEventId = reader.optional<std::string>("recurringEventId");
    event.hangoutLink = reader.optional<std::string>("hangoutLink");
    event.conferenceData = reader.optional<Conference>("conferenceData");
    event.attendees = reader.optional<std::vector<Attendee>>("attendees");
    event.attachments = reader.optional<std::vector<Attachment>>("attachments");
    return event;
}

GoogleEvent::DecodedList GoogleEvent::decodeList(const json::Value& items) {
    if (!items.is_array()) {
        throw json::DecodingError("\"items\" is not an array");
    }
    DecodedList list;
    for (const json::Value& item : items) {
        try {
            list.events.push_back(fromJSON(item));
        } catch (const json::DecodingError&) {
            ++list.skipped;
        }
    }
    return list;
}

std::optional<Date> GoogleEvent::date(std::string_view text) {
    const auto instant = parseInstant(text);
    if (!instant) {
        return std::nullopt;
    }
    return static_cast<Date>(instant->seconds) + static_cast<Date>(instant->nanoseconds) / 1e9;
}

std::optional<std::int64_t> GoogleEvent::milliseconds(std::string_view text) {
    const auto instant = parseInstant(text);
    if (!instant) {
        return std::nullopt;
    }
    // Years are four digits, so seconds stay far inside the range where this cannot overflow.
    const std::int64_t whole = instant->seconds * 1000;
    const std::int64_t part = instant->nanoseconds / 1'000'000;
    // Truncation toward zero: before 1970 a fraction moves the instant toward zero.
    return instant->seconds < 0 && instant->nanoseconds > 0
               ? whole + part + (instant->nanoseconds % 1'000'000 != 0 ? 1 : 0)
               : whole + part;
}

std::optional<CalendarEvent> GoogleEvent::calendarEvent(const std::string& calendar) const {
    if (status && *status == "cancelled") {
        return std::nullopt;
    }
    if (attendees) {
        for (const Attendee& attendee : *attendees) {
            if (attendee.self.value_or(false)) {
                if (attendee.responseStatus && *attendee.responseStatus == "declined") {
                    return std::nullopt;
                }
                break; // only the first entry of the user counts
            }
        }
    }
    const auto timeOf = [](const std::optional<Time>& time) -> std::optional<std::int64_t> {
        if (!time || !time->dateTime) {
            return std::nullopt;
        }
        return milliseconds(*time->dateTime);
    };
    const auto startMs = timeOf(start);
    if (!startMs) {
        return std::nullopt;
    }
    const auto endMs = timeOf(end);
    if (!endMs) {
        return std::nullopt;
    }
    const std::int64_t occurrence = timeOf(originalStartTime).value_or(*startMs);

    std::optional<std::string> meetingLink;
    bool videoEntry = false;
    if (conferenceData && conferenceData->entryPoints) {
        for (const auto& entryPoint : *conferenceData->entryPoints) {
            if (entryPoint.entryPointType && *entryPoint.entryPointType == "video") {
                meetingLink = entryPoint.uri;
                videoEntry = true;
                break;
            }
        }
    }
    if (!videoEntry || !meetingLink) {
        meetingLink = hangoutLink;
    }

    std::vector<std::optional<std::string>> explicitLinks{meetingLink};
    if (attachments) {
        for (const Attachment& attachment : *attachments) {
            explicitLinks.push_back(attachment.fileUrl);
        }
    }

    CalendarEvent event;
    event.key = iCalUID ? *iCalUID : recurringEventId ? *recurringEventId : id;
    event.occurrence = occurrence;
    event.recurring = recurringEventId.has_value();
    event.title = summary.value_or("");
    event.start = *startMs;
    event.end = *endMs;
    event.location = location && !location->empty() ? location : std::nullopt;
    event.calendar = calendar;
    event.links = EventLinks::links(explicitLinks, {description, location});
    return event;
}

} // namespace ostrel
