#pragma once

#include "app/ai/Exclusions.hpp"
#include "app/ai/ModelAccess.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/PlanningPass.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/Settings.hpp"
#include "platform/Subscription.hpp"
#include "platform/Workspace.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Short plain names for routines learned for a weekly time slot, which otherwise only have the
// mechanical "Mondays around 9:30 AM". The language model is asked once per routine; every name
// it gives is kept in the setting "smartNames" (routine key id to name), which only grows, so a
// routine keeps its name everywhere and for good. Only name() writes it; everyone else reads.
//
// Deliberately not here: choosing which routines to name (the routines page asks, one at a time),
// retrying, or telling the student about a failure: every failure is simply no name, and the
// mechanical name stays. Routines the student named themselves are never asked about.
//
// Threading: name() on the main executor, like the model it calls. The readers may be called from
// any thread (Settings serialises), and cached(settings) returns a copy for use on a worker.
namespace ostrel::SmartNames {

// The longest name kept, in user-perceived characters.
inline constexpr std::size_t longestName = 32;

// The instructions every naming request carries.
inline constexpr std::string_view instructions = "You name a student's computer routines in one to three plain words.";

// The names stored right now: a copy, so a planning pass on the worker never reads the settings.
// Empty names and values that are not text are left out; a setting that is not a dictionary names
// nothing.
PlanningPass::SmartNames cached(const Settings& settings);

// The stored name of one routine key id, by the same rule as cached(settings).
std::optional<std::string> cached(const Settings& settings, const std::string& id);

// Whether name() would ask the model for this routine: a time-slot routine without a name of the
// student's own and without a stored name.
bool wanted(const Routine& routine, const Settings& settings);

// The model's name cleaned for keeping: white space, line breaks and punctuation trimmed at both
// ends (inside they stay); nothing when that leaves no text or more than longestName characters.
std::optional<std::string> cleaned(std::string_view answer);

// The prompt for a routine: "They use " + the names of its first 6 items, joined by ", ", + " " +
// the routine key's own name (RoutineName), lower-cased, + ". Name it.". Items the exclusions
// hide are left out before the six are counted; the calendar gives the key's name its language.
std::string prompt(const Routine& routine, const std::vector<CalendarSeries>& series, const Calendar& calendar,
                   const Workspace& workspace, const Exclusions& exclusions);

using Done = std::function<void(const std::optional<std::string>& name)>;

// Asks the model for a name of the routine and stores it. done gets the new name, or nothing: at
// once, inside this call, when the routine is not wanted(); otherwise on the main executor after
// the model probed unavailable, failed, or gave no usable name (nothing is stored then). The model
// is probed only after those tests. Two overlapping calls for one routine may both ask; the later
// answer is stored. Destroying the token drops the call: done is not called and nothing is stored.
// A failure to write the setting ends in nothing too (the name would not last).
[[nodiscard]] Subscription name(const Routine& routine, const std::vector<CalendarSeries>& series,
                                const Calendar& calendar, const ModelAccess& access, Done done);

} // namespace ostrel::SmartNames
