#include "core/foundation/Calendar.hpp"

#include <cmath>
#include <limits>
#include <mutex>

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/tztrans.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace ostrel {

struct Calendar::Impl {
    std::string zone;
    std::string locale;
    int firstWeekday = 1;
    std::mutex mutex;
    std::unique_ptr<icu::GregorianCalendar> calendar;
};

namespace {

[[noreturn]] void fail(const std::string& what, UErrorCode status) {
    throw CalendarError(what + ": " + u_errorName(status));
}

int field(const icu::Calendar& calendar, UCalendarDateFields which) {
    UErrorCode status = U_ZERO_ERROR;
    const int value = calendar.get(which, status);
    if (U_FAILURE(status)) {
        fail("calendar field unavailable", status);
    }
    return value;
}

double millis(Date date) {
    if (!std::isfinite(date)) {
        throw CalendarError("date is not finite");
    }
    return date * 1000.0;
}

} // namespace

Calendar::Calendar(std::string_view zone, std::string_view locale, std::optional<int> firstWeekday)
    : impl_(std::make_shared<Impl>()) {
    impl_->zone = std::string(zone);
    impl_->locale = std::string(locale);

    std::unique_ptr<icu::TimeZone> timeZone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(zone.data(), static_cast<int32_t>(zone.size())))));
    if (!timeZone || *timeZone == icu::TimeZone::getUnknown()) {
        throw CalendarError("unknown time zone: " + impl_->zone);
    }
    const icu::Locale icuLocale(impl_->locale.c_str());
    if (icuLocale.isBogus()) {
        throw CalendarError("malformed locale: " + impl_->locale);
    }
    if (firstWeekday && (*firstWeekday < 1 || *firstWeekday > 7)) {
        throw CalendarError("first weekday out of range: " + std::to_string(*firstWeekday));
    }

    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(timeZone.release(), icuLocale, status);
    if (U_FAILURE(status)) {
        fail("calendar unavailable for " + impl_->zone + " and " + impl_->locale, status);
    }
    // Lenient, so instants beyond the calendar's range are clamped rather than refused.
    calendar->setLenient(true);
    // A wall time skipped by a clock change is read in the offset before the change (02:30 on a
    // spring-forward night is 03:30), so a skipped midnight starts the day at the change itself.
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_LAST);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    if (firstWeekday) {
        calendar->setFirstDayOfWeek(static_cast<UCalendarDaysOfWeek>(*firstWeekday));
    }
    impl_->firstWeekday = calendar->getFirstDayOfWeek(status);
    if (U_FAILURE(status)) {
        fail("first weekday unavailable", status);
    }
    impl_->calendar = std::move(calendar);
}

const std::string& Calendar::zone() const {
    return impl_->zone;
}
const std::string& Calendar::locale() const {
    return impl_->locale;
}
int Calendar::firstWeekday() const {
    return impl_->firstWeekday;
}

Calendar::Components Calendar::components(Date date) const {
    const double ms = millis(date);
    const std::lock_guard lock(impl_->mutex);
    icu::Calendar& calendar = *impl_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(ms, status);
    if (U_FAILURE(status)) {
        fail("date out of range", status);
    }
    Components result;
    result.year = field(calendar, UCAL_EXTENDED_YEAR);
    result.month = field(calendar, UCAL_MONTH) + 1;
    result.day = field(calendar, UCAL_DATE);
    result.weekday = field(calendar, UCAL_DAY_OF_WEEK);
    result.hour = field(calendar, UCAL_HOUR_OF_DAY);
    result.minute = field(calendar, UCAL_MINUTE);
    result.second = field(calendar, UCAL_SECOND);
    return result;
}

int Calendar::weekday(Date date) const {
    return components(date).weekday;
}
int Calendar::hour(Date date) const {
    return components(date).hour;
}
int Calendar::minute(Date date) const {
    return components(date).minute;
}

std::int64_t Calendar::offset(Date date) const {
    const double ms = millis(date);
    const std::lock_guard lock(impl_->mutex);
    std::int32_t raw = 0;
    std::int32_t daylight = 0;
    UErrorCode status = U_ZERO_ERROR;
    impl_->calendar->getTimeZone().getOffset(ms, false, raw, daylight, status);
    if (U_FAILURE(status)) {
        fail("zone offset unavailable", status);
    }
    return std::int64_t{raw} + daylight;
}

bool Calendar::OffsetSpan::holds(Date date) const {
    const double ms = date * 1000.0; // as millis() reads it
    return ms >= from && ms < until;
}

Calendar::OffsetSpan Calendar::offsetSpan(Date date) const {
    const double ms = millis(date);
    const std::lock_guard lock(impl_->mutex);
    const icu::TimeZone& zone = impl_->calendar->getTimeZone();
    std::int32_t raw = 0;
    std::int32_t daylight = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone.getOffset(ms, false, raw, daylight, status);
    if (U_FAILURE(status)) {
        fail("zone offset unavailable", status);
    }
    // The offset changes only at the zone's transitions; a zone that cannot name them gives an
    // empty span, so every date is asked again.
    OffsetSpan span{std::int64_t{raw} + daylight, ms, ms};
    icu::TimeZoneTransition next;
    if (const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone)) {
        span.until = basic->getNextTransition(ms, false, next) ? next.getTime()
                                                               : std::numeric_limits<double>::infinity();
    }
    return span;
}

Date Calendar::startOfDay(Date date) const {
    const Components local = components(date);
    return this->date(local.year, local.month, local.day);
}

Date Calendar::addingDays(int days, Date date) const {
    const double ms = millis(date);
    const std::lock_guard lock(impl_->mutex);
    icu::Calendar& calendar = *impl_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(ms, status);
    calendar.add(UCAL_DATE, days, status);
    const double result = calendar.getTime(status);
    if (U_FAILURE(status)) {
        fail("cannot add days", status);
    }
    return result / 1000.0;
}

std::int64_t Calendar::dayDifference(Date from, Date to) const {
    const double fromMs = millis(from);
    const double toMs = millis(to);
    const std::lock_guard lock(impl_->mutex);
    icu::Calendar& calendar = *impl_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(fromMs, status);
    const std::int64_t fromDay = field(calendar, UCAL_JULIAN_DAY);
    calendar.setTime(toMs, status);
    const std::int64_t toDay = field(calendar, UCAL_JULIAN_DAY);
    if (U_FAILURE(status)) {
        fail("date out of range", status);
    }
    return toDay - fromDay;
}

Date Calendar::date(int year, int month, int day, int hour, int minute, int second) const {
    const std::lock_guard lock(impl_->mutex);
    icu::Calendar& calendar = *impl_->calendar;
    calendar.clear();
    calendar.set(UCAL_EXTENDED_YEAR, year);
    calendar.set(UCAL_MONTH, month - 1);
    calendar.set(UCAL_DATE, day);
    calendar.set(UCAL_HOUR_OF_DAY, hour);
    calendar.set(UCAL_MINUTE, minute);
    calendar.set(UCAL_SECOND, second);
    UErrorCode status = U_ZERO_ERROR;
    const double result = calendar.getTime(status);
    if (U_FAILURE(status)) {
        fail("date out of range", status);
    }
    return result / 1000.0;
}

bool operator==(const Calendar& a, const Calendar& b) {
    return a.impl_ == b.impl_ || (a.impl_->zone == b.impl_->zone && a.impl_->locale == b.impl_->locale &&
                                  a.impl_->firstWeekday == b.impl_->firstWeekday);
}

} // namespace ostrel
