#include "core/learning/RoutineName.hpp"

#include "core/foundation/IcuText.hpp"
#include "core/foundation/LocaleCache.hpp"
#include "core/foundation/Text.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace ostrel::RoutineName {

namespace {

constexpr std::int64_t halfHoursPerDay = 48;

[[noreturn]] void fail(const std::string& what, UErrorCode status) {
    throw std::runtime_error(what + ": " + u_errorName(status));
}

// The locale's full weekday names and its short time style. Building them loads locale data, so
// each thread keeps the last locale and zone it was asked for.
class SlotWords {
public:
    static const SlotWords& of(const Calendar& calendar) { return lastForLocale<SlotWords>(calendar); }

    SlotWords(std::string locale, std::string zone) : locale_(std::move(locale)), zone_(std::move(zone)) {
        const icu::Locale icuLocale(locale_.c_str());
        UErrorCode status = U_ZERO_ERROR;
        const icu::DateFormatSymbols symbols(icuLocale, "gregorian", status);
        if (U_FAILURE(status)) {
            fail("no weekday names for " + locale_, status);
        }
        int32_t count = 0;
        // Indexed by the calendar's weekday: entry 1 is Sunday, entry 0 is empty.
        const icu::UnicodeString* days =
            symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
        for (int32_t day = 1; day < count && day <= 7; ++day) {
            weekdays_.push_back(icuText::toUtf8(days[day]));
        }

        format_.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icuLocale));
        if (!format_) {
            throw std::runtime_error("no time format for " + locale_);
        }
        std::unique_ptr<icu::TimeZone> timeZone(icu::TimeZone::createTimeZone(icuText::fromUtf8(zone_)));
        auto* gregorian = new icu::GregorianCalendar(timeZone->clone(), icuLocale, status);
        if (U_FAILURE(status)) {
            delete gregorian;
            fail("no calendar for " + locale_, status);
        }
        format_->adoptCalendar(gregorian);
        format_->adoptTimeZone(timeZone.release());
    }

    // Empty when the weekday is not 1 to 7.
    std::string weekday(std::int64_t weekday) const {
        if (weekday < 1 || weekday > static_cast<std::int64_t>(weekdays_.size())) {
            return {};
        }
        return weekdays_[static_cast<std::size_t>(weekday - 1)];
    }

    std::string time(Date date) const {
        return icuText::formatted(*format_, date);
    }

private:
    std::string locale_;
    std::string zone_;
    std::vector<std::string> weekdays_;
    std::unique_ptr<icu::DateFormat> format_;
};

std::string slotName(const ContextKey::Slot& slot, const Calendar& calendar) {
    const SlotWords& words = SlotWords::of(calendar);
    // A half hour past the day's ends rolls over into the neighbouring day, whose time of day is
    // the same as this one taken round the clock; reducing it first keeps huge stored values in range.
    const auto halfHour =
        static_cast<int>(((slot.halfHour % halfHoursPerDay) + halfHoursPerDay) % halfHoursPerDay);
    const std::string time = words.time(calendar.date(2026, 1, 1, halfHour / 2, (halfHour % 2) * 30));
    const std::string weekday = words.weekday(slot.weekday);
    if (weekday.empty()) {
        return "Around " + time;
    }
    return weekday + "s around " + time;
}

std::string capitalised(const std::string& title, const Calendar& calendar) {
    icu::UnicodeString text = icuText::fromUtf8(title);
    // Word boundaries and case rules of the user's language ("ijsselmeer" is "IJsselmeer" in Dutch).
    text.toTitle(nullptr, icu::Locale(calendar.locale().c_str()));
    return icuText::toUtf8(text);
}

} // namespace

std::string name(const ContextKey& key, const std::vector<CalendarSeries>& series, const Calendar& calendar) {
    if (const auto* event = std::get_if<ContextKey::Event>(&key.value)) {
        const auto found = std::find_if(series.begin(), series.end(), [event](const CalendarSeries& one) {
            return text::equal(one.key, event->seriesKey);
        });
        return found != series.end() ? found->title : "A calendar series";
    }
    if (const auto* title = std::get_if<ContextKey::Title>(&key.value)) {
        return capitalised(title->title, calendar);
    }
    if (const auto* slot = std::get_if<ContextKey::Slot>(&key.value)) {
        return slotName(*slot, calendar);
    }
    return "A routine you made";
}

std::string name(const Routine& routine, const std::vector<CalendarSeries>& series,
                 const Calendar& calendar) {
    if (routine.edits.name) {
        return *routine.edits.name;
    }
    return name(routine.key, series, calendar);
}

} // namespace ostrel::RoutineName
