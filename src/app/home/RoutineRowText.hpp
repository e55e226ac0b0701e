#pragma once

#include "app/editor/Wording.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/calendar/SeriesSchedule.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/Workspace.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a routine row of the Home window's routines page says besides the routine's name: how
// often the routine was seen and how sure the learner is, the moments it happens at (a symbol and a
// sentence each), and the badge of how the autopilot treats it. The widgets only lay these out, so
// every rule of wording and colour is here, where a test reads it without a window.
//
// Deliberately not here: the routine's name (the routines loader picks it) and the items' names
// and icons (ItemDisplay, ItemIcon).
//
// Threading: moments() reads the workspace and the current network, so it runs on the main
// executor like Wording; the others are pure.
namespace ostrel::RoutineRowText {

// Said in place of the item pills of a routine that opens nothing.
inline constexpr std::string_view noItems = "No apps or files agree often enough yet";

// "You made this" for a routine the student made; otherwise "Seen once" (support 1) or "Seen N
// times", then ", confidence " and the confidence in whole percent, halves away from zero, and
// "%" ("Seen 3 times, confidence 67%"). A confidence that is not finite reads as 0 %.
std::string seenText(const Routine& routine);

// One moment of a routine: the name of a symbol of the theme's set and a sentence.
struct Moment {
    std::string symbol;
    std::string sentence;
    friend bool operator==(const Moment&, const Moment&) = default;
};

// When the routine happens, in this order: the learned moment, unless the routine was made or its
// learned moment is switched off (a class by its schedule's days and time and then its place, or
// "When it starts on your calendar" without a schedule; a one-off event "When it's on your
// calendar"; a slot by its own name, then its place capitalised, a Wi-Fi place with the "wifi"
// symbol and any other with "mappin"); then one moment per cue of the edits, in their order; and
// when that leaves nothing, "Only when you choose Set up now".
std::vector<Moment> moments(const Routine& routine, const std::vector<CalendarSeries>& series,
                            const std::map<std::string, SeriesSchedule>& schedules, const Calendar& calendar,
                            const Workspace& workspace, const Wording::NetworkName& networkName);

// The theme colour a badge is filled with.
enum class BadgeColour { leaf, sun, horizon };

struct Badge {
    std::string text;
    BadgeColour colour = BadgeColour::horizon;
    double opacity = 1;
    friend bool operator==(const Badge&, const Badge&) = default;
};

// How the autopilot treats the routine. The student's mode decides when set ("Sets up by itself"
// on leaf at 0.35, "Asks first" on sun at 0.6, "Off" on horizon); without one, a routine still
// observed is "Still learning" on horizon, a demoted one "Asks first", and any other "Sets up by
// itself".
Badge trustBadge(TrustLevel trust, const std::optional<RoutineEdits::Mode>& mode, bool demoted);

} // namespace ostrel::RoutineRowText
