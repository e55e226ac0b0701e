#include "platform/UserCalendar.hpp"

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace ostrel {

std::string UserCalendar::locale() {
    const icu::Locale& current = icu::Locale::getDefault();
    const std::string name = current.getName();
    // ICU reads the C and POSIX locales as "en_US_POSIX", whose formats nobody expects.
    if (name.empty() || name == "c" || name == "en_US_POSIX") {
        return "en_US";
    }
    return name;
}

std::string UserCalendar::zone() {
    const std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
    if (!host) {
        return "UTC";
    }
    icu::UnicodeString id;
    host->getID(id);
    std::string text;
    id.toUTF8String(text);
    return text.empty() || text == "Etc/Unknown" ? "UTC" : text;
}

Calendar UserCalendar::make() {
    try {
        return Calendar(zone(), locale());
    } catch (const CalendarError&) {
        return Calendar(zone(), "en_US");
    }
}

} // namespace ostrel
