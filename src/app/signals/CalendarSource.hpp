#pragma once

#include "core/foundation/EnumText.hpp"

#include <optional>
#include <string_view>

namespace ostrel {

class Keychain;
class Settings;

// Which calendar the calendar source reads: the user's local calendars through the event store,
// or their Google calendar.
enum class CalendarSource { apple, google };

std::string_view toString(CalendarSource source);
template <>
std::optional<CalendarSource> fromString<CalendarSource>(std::string_view text);

// The source to use: the setting "calendarSource" when it names one. Otherwise google when a
// Google refresh token is kept in the keychain and apple when none is, and that choice is written
// to the setting, so a token stored later does not switch a user who never chose. Never throws: a
// setting that cannot be written is logged and the choice still returned.
CalendarSource chosenCalendarSource(Settings& settings, Keychain& keychain);

} // namespace ostrel
