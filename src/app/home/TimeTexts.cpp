#include "app/home/TimeTexts.hpp"

#include "app/editor/Wording.hpp"
#include "app/home/Duration.hpp"
#include "core/foundation/IcuText.hpp"
#include "core/foundation/LocaleCache.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace ostrel::TimeTexts {

namespace {

// The locale's hour-alone format in the calendar's zone. Building it loads locale data, so each
// thread keeps the last one it was asked for (a page asks in one locale for its life).
class HourFormat {
public:
    static const HourFormat& of(const Calendar& calendar) { return lastForLocale<HourFormat>(calendar); }

    HourFormat(std::string locale, std::string zone) : locale_(std::move(locale)), zone_(std::move(zone)) {
        const icu::Locale icuLocale(locale_.c_str());
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(icuLocale, status));
        if (U_FAILURE(status)) {
            return;
        }
        // "j": the locale's preferred hour cycle, with its day-period marker where it has one.
        const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(u"j"), status);
        if (U_FAILURE(status)) {
            return;
        }
        auto format = std::make_unique<icu::SimpleDateFormat>(pattern, icuLocale, status);
        if (U_FAILURE(status)) {
            return;
        }
        std::unique_ptr<icu::TimeZone> timeZone(icu::TimeZone::createTimeZone(icuText::fromUtf8(zone_)));
        auto gregorian = std::make_unique<icu::GregorianCalendar>(timeZone->clone(), icuLocale, status);
        if (U_SUCCESS(status)) {
            format->adoptCalendar(gregorian.release());
        }
        format->adoptTimeZone(timeZone.release());
        format_ = std::move(format);
    }

    std::string format(Date date) const {
        if (!format_) {
            return {};
        }
        return icuText::formatted(*format_, date);
    }

private:
    std::string locale_;
    std::string zone_;
    std::unique_ptr<icu::SimpleDateFormat> format_;
};

} // namespace

std::string_view label(TimeSpan span) {
    return span == TimeSpan::today ? "Today" : "This week";
}

std::string_view caption(TimeSpan span) {
    return span == TimeSpan::today ? "on your Mac today" : "this week";
}

std::string bigNumber(const std::optional<TimeReport>& report) {
    return report ? Duration::words(report->active) : std::string(waiting);
}

std::string savedLine(const TimeReport& report) {
    if (report.runs < 1) {
        return "Ostrel hasn't set anything up for you yet";
    }
    const std::string count = report.runs == 1 ? "1 setup" : std::to_string(report.runs) + " setups";
    return "Ostrel saved you about " + Duration::words(report.saved) + " with " + count;
}

bool hourLabelled(int hour) {
    return hour % 6 == 0;
}

std::string hourLabel(int hour, const Calendar& calendar) {
    return HourFormat::of(calendar).format(calendar.date(2026, 1, 1, hour));
}

std::string hourHelp(int hour, std::int64_t ms, const Calendar& calendar) {
    return hourLabel(hour, calendar) + ": " + Duration::words(ms);
}

double hourBarHeight(std::int64_t ms) {
    return std::max(static_cast<double>(ms) * 90.0 / 3'600'000.0, 4.0);
}

std::int64_t dayPeak(std::span<const std::int64_t> days) {
    const std::int64_t largest = days.empty() ? 1 : *std::max_element(days.begin(), days.end());
    return std::max<std::int64_t>(largest, 1);
}

double dayBarHeight(std::int64_t ms, std::int64_t peak) {
    return std::max(static_cast<double>(ms) * 100.0 / static_cast<double>(std::max<std::int64_t>(peak, 1)), 4.0);
}

std::string dayAmount(std::int64_t ms) {
    if (ms < 1) {
        return {};
    }
    // Half away from zero, as llround does.
    const std::int64_t minutes = std::llround(static_cast<double>(ms) / 60'000.0);
    if (minutes <= 59) {
        return std::to_string(minutes) + "m";
    }
    // One decimal of the binary value, correctly rounded like printf's "%.1f" but free of the C
    // locale (Qt may set a decimal comma): 75 minutes are 1.25 h, which is below the half and reads 1.2.
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(minutes) / 60.0,
                                            std::chars_format::fixed, 1);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(minutes / 60);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, ".0") == 0) {
        text.resize(text.size() - 2);
    }
    return text + "h";
}

std::string dayLabel(Date firstDay, int index, const Calendar& calendar) {
    return Wording::shortWeekday(calendar.weekday(calendar.addingDays(index, firstDay)), calendar);
}

std::vector<TimeReport::Usage> firstOf(const std::vector<TimeReport::Usage>& usage, std::size_t limit) {
    return {usage.begin(), usage.begin() + static_cast<std::ptrdiff_t>(std::min(limit, usage.size()))};
}

std::int64_t usagePeak(std::span<const TimeReport::Usage> usage) {
    return usage.empty() ? 1 : std::max<std::int64_t>(usage.front().ms, 1);
}

double usageBarWidth(double track, std::int64_t ms, std::int64_t peak) {
    return std::max(track * static_cast<double>(ms) / static_cast<double>(std::max<std::int64_t>(peak, 1)), 4.0);
}

} // namespace ostrel::TimeTexts
