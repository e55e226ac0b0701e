#include "app/editor/Wording.hpp"

#include "app/home/ItemDisplay.hpp"
#include "core/foundation/IcuText.hpp"
#include "core/foundation/LocaleCache.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/RoutineName.hpp"

#include <algorithm>
#include <memory>
#include <set>
#include <string_view>
#include <variant>

#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/listformatter.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace ostrel::Wording {

namespace {

// What the sentences need of one locale and zone. Building it loads locale data, so each thread
// keeps the last one it was asked for; the editor asks in one locale for the life of a window.
class LocaleWords {
public:
    static const LocaleWords& of(const Calendar& calendar) { return lastForLocale<LocaleWords>(calendar); }

    LocaleWords(std::string locale, std::string zone) : locale_(std::move(locale)), zone_(std::move(zone)) {
        const icu::Locale icuLocale(locale_.c_str());
        UErrorCode status = U_ZERO_ERROR;
        const icu::DateFormatSymbols symbols(icuLocale, "gregorian", status);
        if (U_SUCCESS(status)) {
            shortNames_ = weekdays(symbols, icu::DateFormatSymbols::ABBREVIATED);
            veryShortNames_ = weekdays(symbols, icu::DateFormatSymbols::NARROW);
        }

        status = U_ZERO_ERROR;
        list_.reset(
            icu::ListFormatter::createInstance(icuLocale, ULISTFMT_TYPE_AND, ULISTFMT_WIDTH_WIDE, status));
        if (U_FAILURE(status)) {
            list_.reset();
        }

        time_.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icuLocale));
        if (time_) {
            std::unique_ptr<icu::TimeZone> timeZone(icu::TimeZone::createTimeZone(icuText::fromUtf8(zone_)));
            status = U_ZERO_ERROR;
            auto calendar = std::make_unique<icu::GregorianCalendar>(timeZone->clone(), icuLocale, status);
            if (U_SUCCESS(status)) {
                time_->adoptCalendar(calendar.release());
            }
            time_->adoptTimeZone(timeZone.release());
        }
    }

    // Empty outside 1 to 7.
    const std::string& shortName(std::int64_t day) const { return pick(shortNames_, day); }
    const std::string& veryShortName(std::int64_t day) const { return pick(veryShortNames_, day); }

    std::string joined(const std::vector<std::string>& parts) const {
        if (parts.empty()) {
            return {};
        }
        if (list_) {
            std::vector<icu::UnicodeString> items;
            items.reserve(parts.size());
            for (const std::string& part : parts) {
                items.push_back(icuText::fromUtf8(part));
            }
            icu::UnicodeString text;
            UErrorCode status = U_ZERO_ERROR;
            list_->format(items.data(), static_cast<int32_t>(items.size()), text, status);
            if (U_SUCCESS(status)) {
                return icuText::toUtf8(text);
            }
        }
        std::string text = parts.front();
        for (std::size_t at = 1; at < parts.size(); ++at) {
            text += ", " + parts[at];
        }
        return text;
    }

    std::string time(Date date) const {
        if (!time_) {
            return {};
        }
        return icuText::formatted(*time_, date);
    }

private:
    // Indexed by weekday - 1: ICU's lists begin with an empty entry before Sunday.
    static std::vector<std::string> weekdays(const icu::DateFormatSymbols& symbols,
                                             icu::DateFormatSymbols::DtWidthType width) {
        int32_t count = 0;
        const icu::UnicodeString* names = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, width);
        std::vector<std::string> result;
        for (int32_t day = 1; day < count && day <= 7; ++day) {
            result.push_back(icuText::toUtf8(names[day]));
        }
        return result;
    }

    static const std::string& pick(const std::vector<std::string>& names, std::int64_t day) {
        static const std::string none;
        if (day < 1 || day > static_cast<std::int64_t>(names.size())) {
            return none;
        }
        return names[static_cast<std::size_t>(day - 1)];
    }

    std::string locale_;
    std::string zone_;
    std::vector<std::string> shortNames_;
    std::vector<std::string> veryShortNames_;
    std::unique_ptr<icu::ListFormatter> list_;
    std::unique_ptr<icu::DateFormat> time_;
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string seriesTitle(const std::string& key, const std::vector<CalendarSeries>& series) {
    const auto found = std::find_if(series.begin(), series.end(),
                                    [&key](const CalendarSeries& one) { return text::equal(one.key, key); });
    return found != series.end() ? found->title : "a class";
}

std::string appName(const std::string& bundleID, const Workspace& workspace) {
    const auto item = Item::app(bundleID);
    return item ? ItemDisplay::name(*item, workspace) : bundleID;
}

} // namespace

std::string shortWeekday(std::int64_t day, const Calendar& calendar) {
    return LocaleWords::of(calendar).shortName(day);
}

std::string veryShortWeekday(std::int64_t day, const Calendar& calendar) {
    return LocaleWords::of(calendar).veryShortName(day);
}

std::string days(const std::vector<std::int64_t>& weekdays, const Calendar& calendar) {
    const std::set<std::int64_t> set(weekdays.begin(), weekdays.end());
    if (set == std::set<std::int64_t>{1, 2, 3, 4, 5, 6, 7}) {
        return "Every day";
    }
    if (set == std::set<std::int64_t>{2, 3, 4, 5, 6}) {
        return "Weekdays";
    }
    if (set == std::set<std::int64_t>{1, 7}) {
        return "Weekends";
    }
    const LocaleWords& words = LocaleWords::of(calendar);
    std::vector<std::string> names;
    for (const int day : weekdayOrder) {
        if (set.contains(day)) {
            names.push_back(words.shortName(day));
        }
    }
    return words.joined(names);
}

std::string clock(std::int64_t minute, const Calendar& calendar) {
    std::int64_t hour = minute / 60;
    const auto rest = static_cast<int>(minute % 60);
    // Whole days only move the date; taking them out keeps a corrupt stored minute inside the
    // calendar's int fields. Small overflows are left to roll over through the calendar itself.
    constexpr std::int64_t hoursPerDay = 24;
    if (hour > hoursPerDay * 366 || hour < -hoursPerDay * 366) {
        hour %= hoursPerDay;
    }
    return LocaleWords::of(calendar).time(calendar.date(2026, 1, 1, static_cast<int>(hour), rest));
}

std::string timeOfDay(Date date, const Calendar& calendar) {
    return LocaleWords::of(calendar).time(date);
}

std::string words(const Cue& cue, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                  const Workspace& workspace) {
    return std::visit(
        [&](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Cue::Event>) {
                return "When " + seriesTitle(value.seriesKey, series) + " starts";
            } else if constexpr (std::is_same_v<T, Cue::Time>) {
                return days(value.weekdays, calendar) + " at " + clock(value.minute, calendar);
            } else if constexpr (std::is_same_v<T, Cue::WiFi>) {
                return "On the " + value.name + " Wi-Fi";
            } else if constexpr (std::is_same_v<T, Cue::Display>) {
                return "When " + value.name + " is plugged in";
            } else if constexpr (std::is_same_v<T, Cue::AudioDevice>) {
                return "When " + value.name + " connects";
            } else {
                return "When you open " + appName(value.bundleID, workspace);
            }
        },
        cue.value);
}

std::string moment(const ContextKey& key, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                   const NetworkName& networkName) {
    if (key.isCalendar()) {
        return "When " + RoutineName::name(key, series, calendar) + " starts";
    }
    if (const auto* slot = std::get_if<ContextKey::Slot>(&key.value)) {
        std::string sentence = RoutineName::name(key, series, calendar);
        if (const auto where = place(slot->place, networkName)) {
            sentence += " " + *where;
        }
        return sentence;
    }
    return "Only when you ask";
}

std::optional<std::string> place(const std::string& place, const NetworkName& networkName) {
    static constexpr std::string_view wifi = "wifi:";
    if (startsWith(place, wifi)) {
        const std::optional<std::string> name =
            networkName ? networkName(place.substr(wifi.size())) : std::nullopt;
        return name ? "on " + *name : "on a Wi-Fi network you use";
    }
    if (startsWith(place, "place:")) {
        return "at a place you often are";
    }
    return std::nullopt;
}

} // namespace ostrel::Wording
