#include "core/routines/PlanningPass.hpp"

#include "core/foundation/Saturating.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Planner.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/routines/PickUp.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_set>

namespace ostrel::PlanningPass {

namespace {

// The answer records up to and including `until`.
Answers answersUntil(Store& store, std::int64_t until) {
    try {
        return Answers(
            store.observations(0, saturatingAdd(until, 1),
                               std::set<Signal>{Signal::quevAnswer, Signal::quevRun, Signal::quevUndo}));
    } catch (const SQLiteError&) {
        // Without the user's answers the rules still decide, as for a routine never asked about.
        return Answers();
    }
}

} // namespace

Known known(Store& store, std::int64_t before, const Calendar& calendar) {
    Known result;
    result.history = store.episodes(0, before);
    result.series = store.calendarSeries();
    const Store::RoutineEditsByKey edits = store.routineEdits();
    result.routines =
        RoutineBook::apply(edits, RoutineLearner::routines(result.history, result.series, calendar));
    result.summary = ContextKey::History(result.history);
    return result;
}

std::optional<Result> run(Store& store, const Trigger& trigger, std::int64_t now, const Calendar& calendar,
                          const Autopilot::Demoted& demoted) {
    const std::vector<Episode> recent = store.episodes(trigger.ts, saturatingAdd(now, 1));
    const auto own = std::find_if(recent.begin(), recent.end(),
                                  [&trigger](const Episode& episode) { return episode.trigger == trigger; });
    if (own == recent.end()) {
        return std::nullopt;
    }

    const Known before = known(store, trigger.ts, calendar);
    Result result;
    result.context = own->context;
    result.choice = Planner::choose(trigger, result.context, result.context.open, before.routines,
                                    before.summary, calendar);
    if (result.choice && result.choice->routine.edits.pickUp) {
        Routine& routine = result.choice->routine;
        routine.items = PickUp::items(routine, before.history, before.summary, calendar);
    }
    // A guessed routine for a class without a learned one, and the routine's display name, join the
    // pass here once prediction and naming exist.

    result.answers = answersUntil(store, now);
    result.action = Autopilot::action(result.choice, trigger.kind, demoted, result.answers);
    if (result.choice) {
        result.classEnds = classEnd(result.choice->routine, result.context);
    } else {
        result.saveOffer = Autopilot::saveOffer(result.context, result.answers);
    }
    return result;
}

std::optional<std::int64_t> classEnd(const Routine& routine, const Context& context) {
    std::unordered_set<std::string, text::Hash, text::Equal> series;
    if (const auto* event = std::get_if<ContextKey::Event>(&routine.key.value);
        event && routine.edits.learnedWhen) {
        series.insert(event->seriesKey);
    }
    for (const Cue& cue : routine.edits.cues) {
        if (const auto* event = std::get_if<Cue::Event>(&cue.value)) {
            series.insert(event->seriesKey);
        }
    }
    for (const CalendarEvent& event : context.events) {
        if (series.contains(event.key)) {
            return event.end;
        }
    }
    return std::nullopt;
}

} // namespace ostrel::PlanningPass
