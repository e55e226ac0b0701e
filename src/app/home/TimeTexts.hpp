#pragma once

#include "core/foundation/Calendar.hpp"
#include "core/foundation/Date.hpp"
#include "core/observations/TimeReport.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// What the time page covers: the day so far, or it and the six calendar days before it.
enum class TimeSpan { today, week };

} // namespace ostrel

// The time page's words and measures, apart from its widgets so that a test and the developer tool
// read exactly what the page shows: the header's number, caption and saved line, the charts' labels,
// amounts and bar sizes, and how many entries each usage list shows. English and fixed, except the
// hour and weekday labels, which follow the calendar's locale and zone.
//
// Threading: pure; the labels build ICU formatters, so call them where the page runs (main).
namespace ostrel::TimeTexts {

// The picker's label of a span: "Today", "This week". Also the order of the picker.
inline constexpr std::array<TimeSpan, 2> spans{TimeSpan::today, TimeSpan::week};
std::string_view label(TimeSpan span);

// The words beside the big number: "on your Mac today", "this week".
std::string_view caption(TimeSpan span);

inline constexpr std::string_view waiting = "\u2026";
inline constexpr std::string_view addingUp = "Adding it up\u2026";
inline constexpr std::string_view nothingYet =
    "Nothing yet. Time counts while your Mac is open and you're using it.";
inline constexpr std::string_view footnote =
    "Counted only while the Mac is unlocked and you're using it, or a video is playing. Private browsing "
    "and excluded apps count toward the total but are never named.";
inline constexpr std::string_view hoursTitle = "Through the day";
inline constexpr std::string_view daysTitle = "Day by day";
inline constexpr std::string_view lookBackTitle = "Your week";
inline constexpr std::string_view appsTitle = "Apps";
inline constexpr std::string_view sitesTitle = "Websites";
inline constexpr std::string_view classesTitle = "In class";

// How many entries each usage list shows at most.
inline constexpr std::size_t appsShown = 8;
inline constexpr std::size_t sitesShown = 6;
inline constexpr std::size_t classesShown = 6;

// The big number: the active time in Duration's words, "…" until there is a report.
std::string bigNumber(const std::optional<TimeReport>& report);

// "Ostrel hasn't set anything up for you yet" with no setup run; otherwise "Ostrel saved you about "
// + the saved time in words + " with 1 setup" (or " with N setups").
std::string savedLine(const TimeReport& report);

// ---- The hour chart ----

// The hours drawn, in order: the day from 6 in the morning to the hour after midnight (2 to 5 never).
inline constexpr std::array<int, 20> shownHours{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0, 1};

// Only the hours 6, 12, 18 and 0 carry their label under the bar.
bool hourLabelled(int hour);

// The hour h of 1 January 2026 in the calendar's zone as the locale's hour alone with its day-period
// marker ("6 AM" in American English, "18" under a 24-hour locale); ICU's "j" skeleton.
std::string hourLabel(int hour, const Calendar& calendar);

// The column's help text: the hour label, ": ", and the hour's time in words.
std::string hourHelp(int hour, std::int64_t ms, const Calendar& calendar);

// A full hour is 90 points tall; every bar at least 4.
double hourBarHeight(std::int64_t ms);

// ---- The day chart ----

// The largest day, never below 1 (an empty or all-zero week too), so heights never divide by 0.
std::int64_t dayPeak(std::span<const std::int64_t> days);

// The busiest day is 100 points tall; every bar at least 4.
double dayBarHeight(std::int64_t ms, std::int64_t peak);

// Over a bar: nothing below 1 ms; minutes rounded half away from zero as "45m" up to 59; from there
// hours with one decimal ("1.5h"), a whole number without its ".0" ("2h", and 59.5 minutes "1h").
std::string dayAmount(std::int64_t ms);

// The locale's abbreviated weekday of the day `index` calendar days after firstDay ("Mon").
std::string dayLabel(Date firstDay, int index, const Calendar& calendar);

// ---- Usage lists ----

// The first `limit` entries.
std::vector<TimeReport::Usage> firstOf(const std::vector<TimeReport::Usage>& usage, std::size_t limit);

// The first (largest) entry's time, never below 1.
std::int64_t usagePeak(std::span<const TimeReport::Usage> usage);

// The filled part of a row's track: track x ms / peak, at least 4 points.
double usageBarWidth(double track, std::int64_t ms, std::int64_t peak);

} // namespace ostrel::TimeTexts
