#pragma once

// The user's calendar: a Gregorian calendar in one time zone, with a locale and a first weekday.
// The core reads no clock and no environment; every computation that needs weekdays, hours or the
// start of a day is handed one of these.

#include "core/foundation/Date.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

class CalendarError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

class Calendar {
public:
    // The local date and time of one instant.
    struct Components {
        int year = 0;
        int month = 0; // 1 = January
        int day = 0;
        int weekday = 0; // 1 = Sunday ... 7 = Saturday
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // zone is an IANA identifier ("Europe/Berlin"), locale an ICU locale id ("de_DE"); without a
    // first weekday the locale's own is used. Throws CalendarError for an unknown zone, a malformed
    // locale id or a first weekday outside 1...7.
    Calendar(std::string_view zone, std::string_view locale, std::optional<int> firstWeekday = std::nullopt);

    const std::string& zone() const;
    const std::string& locale() const;
    int firstWeekday() const; // 1 = Sunday

    // Each throws CalendarError for a date that is not finite. Instants beyond the calendar's
    // range (some millions of years) are read at the nearest end of it.
    Components components(Date date) const;
    int weekday(Date date) const; // 1 = Sunday ... 7 = Saturday
    int hour(Date date) const;    // 0 ... 23
    int minute(Date date) const;  // 0 ... 59

    // The zone's offset from UTC in force at date, standard time and daylight saving together, in
    // milliseconds: the local wall time is date plus this. Cheaper than components(), as nothing
    // but the zone is consulted.
    std::int64_t offset(Date date) const;

    // offset(date) together with the stretch of time it holds for: from date up to the zone's next
    // change of offset, so a caller walking forward through time asks the zone again only past it.
    struct OffsetSpan {
        std::int64_t offset = 0;
        double from = 0;  // milliseconds since 1970
        double until = 0; // excluded; infinite when no change is known to come

        // Whether offset(date) is this span's offset, known without asking the zone.
        bool holds(Date date) const;
    };
    OffsetSpan offsetSpan(Date date) const;

    // The first moment of the local day: midnight, or the moment of the change when a clock change
    // skips midnight.
    Date startOfDay(Date date) const;

    // The same wall-clock time days later (or earlier); a time skipped by a clock change moves
    // forward by the length of the gap. So a day here is 23 or 25 hours across a change.
    Date addingDays(int days, Date date) const;

    // Local calendar days from the day of `from` to the day of `to`, whatever the times of day.
    std::int64_t dayDifference(Date from, Date to) const;

    // The instant of a local date and time. Out-of-range fields roll over (month 13 is January of
    // the next year); a time skipped by a clock change moves forward by the length of the gap, a
    // repeated time gives its first occurrence.
    Date date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const;

    friend bool operator==(const Calendar& a, const Calendar& b);

private:
    struct Impl;
    std::shared_ptr<Impl> impl_; // shared by copies; its ICU calendar is guarded by a lock
};

} // namespace ostrel
