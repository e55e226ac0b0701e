#pragma once

// One planning pass at a trigger: the episodes and the user's edits from the store, the routines
// learned from them, the planner's choice for the trigger's moment, pick-up, the answers, the
// autopilot's action and the save offer. Nothing is cached between passes: each rebuilds
// everything from the store, so an answer, run or edit recorded a moment ago already counts. The
// caller passes the moment the pass runs at and the user's calendar; the pass reads no clock.

#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Context.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Answers.hpp"
#include "core/learning/Autopilot.hpp"
#include "core/learning/Choice.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/CueWatch.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class Store;

namespace PlanningPass {

// What the pass knows before it looks at the trigger: the episodes of earlier triggers, the
// calendar series, the stored edits, and the routines learned from those episodes with the edits
// merged in, in the routine book's order. The routines page and the assistant stop here.
struct Known {
    std::vector<Episode> history;
    ContextKey::History summary; // of history
    std::vector<CalendarSeries> series;
    std::map<std::string, RoutineEdits, text::Less> edits; // by context key id, as stored
    std::vector<Routine> routines;
};

// Reads the episodes of the triggers before `before`, the series and the stored edits, then learns
// and applies the edits. Store failures are thrown.
Known known(Store& store, std::int64_t before, const Calendar& calendar);

struct Result {
    Context context;              // of the trigger's own episode
    std::optional<Choice> choice; // its routine carries the picked-up items when pick-up is on
    bool guessed = false;         // the choice is a prediction for a class nothing was chosen for
    std::string name;             // the chosen routine's display name; empty without a choice
    Autopilot::Action action;
    std::optional<std::int64_t> classEnds; // ms; the end of the chosen routine's class in the context
    Answers answers;                       // up to the moment the pass runs at
    std::optional<ContextKey> saveOffer;   // only when nothing was chosen
};

// The names the language model gave routines, by context key id; nothing for a key it has not
// named. An empty function names nothing.
using SmartNames = std::function<std::optional<std::string>(const std::string& id)>;

// The pass for trigger, run at now (ms). Nothing when the store holds no episode of the trigger
// (it is not stored, or now lies before it). Store failures are thrown, except that answers which
// cannot be read count as none.
std::optional<Result> run(Store& store, const Trigger& trigger, std::int64_t now, const Calendar& calendar,
                          const Autopilot::Demoted& demoted, const SmartNames& smartNames = {});

// The answer records folded from the answers, runs and undos stored up to and including until;
// none when they cannot be read.
Answers answers(Store& store, std::int64_t until);

// The pass once everything is read, in this order: the planner's choice for the trigger in the
// context of its episode; pick-up for it; else a prediction for the first class of the context
// that is not already set up, unless the user deleted the routine of its key or turned off its
// learned moment (it takes the stored edits of its key without the items they took out, and no
// pick-up; with no item left and nothing else to do there is no prediction); the name (for a prediction the class's title, then the
// user's name, the language model's, the system's own); the action, the class end and, when
// nothing was chosen, the save offer. Also plans a moment that has not come yet, from the context
// it is expected to have.
Result decide(const Known& known, const Trigger& trigger, Context context, Answers answers,
              const Calendar& calendar, const Autopilot::Demoted& demoted, const SmartNames& smartNames = {});

// What a cue event decided: the action and the chosen routine's display name (empty without a
// choice).
struct CueResult {
    Autopilot::Action action;
    std::string name;
};

// The pass for a cue event that happened at `at` (ms), with `open` as what is open. Nothing when
// no stored edits await the event: that test reads only the edits and comes before any episode is
// read or anything is learned, so an event nobody waits for stays cheap. Otherwise the planner's
// choice among the routines learned from the episodes before at + 1, pick-up for it, its name and
// the action as at an unlock with no answers: a cue counts no yeses and offers no save. Store
// failures are thrown.
std::optional<CueResult> forCue(Store& store, const CueEvent& event, std::int64_t at,
                                const std::vector<Item>& open, const Calendar& calendar,
                                const Autopilot::Demoted& demoted, const SmartNames& smartNames = {});

// The end (ms) of the first class in the context that the routine serves: its own series when it
// is a class routine that still starts at its learned moment, or the series of one of its event
// cues. Nothing when none of them is in the context.
std::optional<std::int64_t> classEnd(const Routine& routine, const Context& context);

} // namespace PlanningPass
} // namespace ostrel
