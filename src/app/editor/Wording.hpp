#pragma once

#include "core/calendar/CalendarSeries.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/routines/Cue.hpp"
#include "platform/Workspace.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The short English sentences that say when a routine starts: a cue the student set, a list of
// weekdays, a time of day, the moment a learned routine happens, a place. The routine rows, the
// editor's cue chips and the draft's learned moment all read them from here, so a cue is worded
// the same everywhere. The sentences are fixed English; weekday names, times and the joining of
// lists come from ICU in the calendar's locale and zone, never from tables of our own.
//
// Deliberately not here: the names of routines themselves (RoutineName, the smart names) and any
// caching of the Wi-Fi network's name: a place is looked up afresh on every call.
//
// Threading: call on the main executor, where the workspace and the place source are read. Nothing
// here fails: a locale without list data falls back to commas.
namespace ostrel::Wording {

// The name of the Wi-Fi network the machine is on now when its salted hash is the given one
// (PlaceSignal::nameOfNetwork); nothing otherwise.
using NetworkName = std::function<std::optional<std::string>(const std::string& hash)>;

// The order the editor shows weekdays in, Monday first and Sunday last, whatever the locale's own
// first weekday (1 = Sunday ... 7 = Saturday).
inline constexpr std::array<int, 7> weekdayOrder = {2, 3, 4, 5, 6, 7, 1};

// The calendar locale's abbreviated name of a weekday (1 = Sunday): "Tue" in English, "Di." in
// German. Empty outside 1 to 7.
std::string shortWeekday(std::int64_t day, const Calendar& calendar);

// The locale's narrowest name of a weekday, the letter on a day button: "T" in English. Empty
// outside 1 to 7.
std::string veryShortWeekday(std::int64_t day, const Calendar& calendar);

// The weekdays as the student reads them, whatever their order and repeats: "Every day",
// "Weekdays", "Weekends", or the short names Monday first and Sunday last, joined as the locale
// joins a list with "and". Values outside 1 to 7 are dropped; no day left gives "".
std::string days(const std::vector<std::int64_t>& weekdays, const Calendar& calendar);

// A minute after midnight as the locale's short time of day on 1 January 2026 in the calendar's
// zone (540: "9:00 AM" in English). Minutes past either end of the day roll over into the
// neighbouring day's time of day.
std::string clock(std::int64_t minute, const Calendar& calendar);

// An instant's time of day as the locale's short time in the calendar's zone ("9:41 AM").
std::string timeOfDay(Date date, const Calendar& calendar);

// One sentence for a cue: "When Physics starts" (the first series with the cue's key, else
// "a class"), days() + " at " + clock(), "On the NAME Wi-Fi", "When NAME is plugged in",
// "When NAME connects", "When you open " + the app's display name. Hashes, display UUIDs and
// device UIDs never show.
std::string words(const Cue& cue, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                  const Workspace& workspace);

// When a learned routine happens: "When " + the key's name + " starts" for a class or a one-off
// event; the slot's name followed by its place() when there is one; "Only when you ask" for a
// routine the student made.
std::string moment(const ContextKey& key, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                   const NetworkName& networkName);

// A slot's place: "on " + the network's name when the machine is on the network of a "wifi:" hash
// now, "on a Wi-Fi network you use" when not; "at a place you often are" for a "place:" id;
// nothing for anything else. Prefixes compare case-sensitively.
std::optional<std::string> place(const std::string& place, const NetworkName& networkName);

} // namespace ostrel::Wording
