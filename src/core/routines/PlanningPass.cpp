#include "core/routines/PlanningPass.hpp"

#include "core/foundation/Saturating.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Planner.hpp"
#include "core/learning/Prediction.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/learning/RoutineName.hpp"
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

// The first name there is: for a prediction the title of the class it was made for, then the
// user's, the language model's, and the system's own.
std::string name(const Routine& routine, bool guessed, const Context& context,
                 const std::vector<CalendarSeries>& series, const Calendar& calendar,
                 const SmartNames& smartNames) {
    if (guessed) {
        if (std::optional<std::string> title = Prediction::name(routine.key, context.events)) {
            return *title;
        }
    }
    if (routine.edits.name) {
        return *routine.edits.name;
    }
    if (smartNames) {
        if (std::optional<std::string> smart = smartNames(routine.key.id())) {
            return *smart;
        }
    }
    return RoutineName::name(routine.key, series, calendar);
}

// A prediction for a key the user has edited: gone when they deleted the routine or said it no
// longer starts at its learned moment; else it takes their edits, without the items they took out.
// Nothing is left to guess when that removes every item and the edits do nothing else.
std::optional<Routine> withStoredEdits(Routine guess, const RoutineEdits& edits) {
    if (edits.deleted || !edits.learnedWhen) {
        return std::nullopt;
    }
    std::erase_if(guess.items, [&edits](const Item& item) {
        return std::find(edits.removed.begin(), edits.removed.end(), item) != edits.removed.end();
    });
    guess.edits = edits;
    if (guess.items.empty() && !edits.doesMoreThanOpen()) {
        return std::nullopt;
    }
    return guess;
}

} // namespace

Answers answers(Store& store, std::int64_t until) {
    try {
        return Answers(
            store.observations(0, saturatingAdd(until, 1),
                               std::set<Signal>{Signal::quevAnswer, Signal::quevRun, Signal::quevUndo}));
    } catch (const SQLiteError&) {
        // Without the user's answers the rules still decide, as for a routine never asked about.
        return Answers();
    }
}

namespace {

// Learns from what was read and merges the edits in.
void learn(Known& known, const Calendar& calendar) {
    known.routines =
        RoutineBook::apply(known.edits, RoutineLearner::routines(known.history, known.series, calendar));
    known.summary = ContextKey::History(known.history);
}

} // namespace

Known known(Store& store, std::int64_t before, const Calendar& calendar) {
    Known result;
    result.history = store.episodes(0, before);
    result.series = store.calendarSeries();
    result.edits = store.routineEdits();
    learn(result, calendar);
    return result;
}

std::optional<CueResult> forCue(Store& store, const CueEvent& event, std::int64_t at,
                                const std::vector<Item>& open, const Calendar& calendar,
                                const Autopilot::Demoted& demoted, const SmartNames& smartNames) {
    Known read;
    read.edits = store.routineEdits();
    const bool awaited = std::any_of(read.edits.begin(), read.edits.end(), [&](const auto& entry) {
        return entry.second.awaits(event, at, calendar);
    });
    if (!awaited) {
        return std::nullopt;
    }
    read.history = store.episodes(0, saturatingAdd(at, 1));
    read.series = store.calendarSeries();
    learn(read, calendar);

    std::optional<Choice> choice = Planner::choose(event, read.routines, open, at, calendar);
    CueResult result;
    if (choice) {
        Routine& routine = choice->routine;
        if (routine.edits.pickUp) {
            routine.items = PickUp::items(routine, read.history, read.summary, calendar);
        }
        result.name = name(routine, false, Context{}, read.series, calendar, smartNames);
    }
    result.action = Autopilot::action(choice, Trigger::Kind::unlock, demoted, Answers());
    return result;
}

std::optional<Result> run(Store& store, const Trigger& trigger, std::int64_t now, const Calendar& calendar,
                          const Autopilot::Demoted& demoted, const SmartNames& smartNames) {
    const std::vector<Episode> recent = store.episodes(trigger.ts, saturatingAdd(now, 1));
    const auto own = std::find_if(recent.begin(), recent.end(),
                                  [&trigger](const Episode& episode) { return episode.trigger == trigger; });
    if (own == recent.end()) {
        return std::nullopt;
    }

    // The reads in this order: the answers last, so that they are as fresh as they can be.
    const Known before = known(store, trigger.ts, calendar);
    Answers upToNow = answers(store, now);
    return decide(before, trigger, own->context, std::move(upToNow), calendar, demoted, smartNames);
}

Result decide(const Known& known, const Trigger& trigger, Context context, Answers answers,
              const Calendar& calendar, const Autopilot::Demoted& demoted, const SmartNames& smartNames) {
    Result result;
    result.context = std::move(context);
    result.answers = std::move(answers);
    result.choice = Planner::choose(trigger, result.context, result.context.open, known.routines,
                                    known.summary, calendar);
    if (result.choice && result.choice->routine.edits.pickUp) {
        Routine& routine = result.choice->routine;
        routine.items = PickUp::items(routine, known.history, known.summary, calendar);
    }
    if (!result.choice) {
        if (std::optional<Routine> guess =
                Planner::guess(result.context, result.context.open, known.routines, known.series)) {
            const auto stored = known.edits.find(guess->key.id());
            if (stored != known.edits.end()) {
                guess = withStoredEdits(std::move(*guess), stored->second);
            }
            if (guess) {
                result.choice = Choice{std::move(*guess), false};
                result.guessed = true;
            }
        }
    }
    if (result.choice) {
        result.name =
            name(result.choice->routine, result.guessed, result.context, known.series, calendar, smartNames);
    }

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
