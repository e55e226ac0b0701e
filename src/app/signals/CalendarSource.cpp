#include "app/signals/CalendarSource.hpp"

#include "app/google/GoogleCalendar.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/Keychain.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <string>

namespace ostrel {

std::string_view toString(CalendarSource source) {
    switch (source) {
    case CalendarSource::apple:
        return "apple";
    case CalendarSource::google:
        return "google";
    }
    return "apple";
}

template <>
std::optional<CalendarSource> fromString<CalendarSource>(std::string_view text) {
    for (const CalendarSource source : {CalendarSource::apple, CalendarSource::google}) {
        if (toString(source) == text) {
            return source;
        }
    }
    return std::nullopt;
}

CalendarSource chosenCalendarSource(Settings& settings, Keychain& keychain) {
    if (const auto text = settings.text(settingsKeys::calendarSource)) {
        if (const auto source = fromString<CalendarSource>(*text)) {
            return *source;
        }
    }
    const bool hasToken =
        keychain.read(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount).has_value();
    const CalendarSource source = hasToken ? CalendarSource::google : CalendarSource::apple;
    try {
        settings.set(settingsKeys::calendarSource, std::string(toString(source)));
    } catch (const std::exception& error) {
        Logger("calendar").error("Couldn't save the calendar source: %{public}s", error);
    }
    return source;
}

} // namespace ostrel
