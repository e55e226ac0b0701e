#include "core/learning/Planner.hpp"

#include "core/foundation/Date.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Prediction.hpp"
#include "core/routines/Cue.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace ostrel::Planner {

namespace {

bool containsText(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(),
                       [&text](const std::string& entry) { return text::equal(entry, text); });
}

// The cue's minute is read as wall-clock time on the trigger's own local day, so a clock change
// earlier that day does not shift the window and a cue late in the evening never reaches into the
// next morning.
bool timeCueMatches(const Cue::Time& cue, std::int64_t at, const Calendar& calendar) try {
    const Date instant = static_cast<Date>(at) / 1000.0;
    const Date dayStart = calendar.startOfDay(instant);
    const int weekday = calendar.weekday(dayStart);
    if (std::find(cue.weekdays.begin(), cue.weekdays.end(), weekday) == cue.weekdays.end()) {
        return false;
    }
    const auto moment = cue.moment(dayStart, calendar);
    const auto momentMs = moment ? truncatedMilliseconds(*moment) : std::nullopt;
    if (!momentMs) {
        return false;
    }
    std::int64_t offset = 0;
    if (__builtin_sub_overflow(at, *momentMs, &offset)) {
        return false;
    }
    return offset >= -Cue::early && offset <= Cue::late;
} catch (const CalendarError&) {
    // A day at the far end of the calendar's range has no start: no cue is due on it.
    return false;
}

bool cueMatches(const Cue& cue, const Trigger& at, const Context& context, const Calendar& calendar) {
    if (const auto* event = std::get_if<Cue::Event>(&cue.value)) {
        return std::any_of(context.events.begin(), context.events.end(), [event](const CalendarEvent& now) {
            return text::equal(now.key, event->seriesKey);
        });
    }
    // A class start is the class's moment; the other cues belong to the user's arrival.
    if (at.kind == Trigger::Kind::eventStart) {
        return false;
    }
    if (const auto* time = std::get_if<Cue::Time>(&cue.value)) {
        return timeCueMatches(*time, at.ts, calendar);
    }
    if (const auto* wifi = std::get_if<Cue::WiFi>(&cue.value)) {
        return context.network && text::equal(*context.network, wifi->network);
    }
    if (const auto* display = std::get_if<Cue::Display>(&cue.value)) {
        return containsText(context.displays, display->uuid);
    }
    // Audio devices and apps start routines only as cue events.
    return false;
}

bool alreadySetUp(const Routine& routine, const std::unordered_set<Item>& open) {
    const auto count = std::count_if(routine.items.begin(), routine.items.end(),
                                     [&open](const Item& item) { return open.contains(item); });
    return static_cast<double>(count) / static_cast<double>(routine.items.size()) >= setUpShare;
}

struct Candidate {
    const Routine* routine;
    bool picked;
};

bool beats(const Candidate& candidate, const Candidate& best) {
    if (candidate.picked != best.picked) {
        return candidate.picked;
    }
    if (candidate.routine->confidence != best.routine->confidence) {
        return candidate.routine->confidence > best.routine->confidence;
    }
    return candidate.routine->key.isEvent() && !best.routine->key.isEvent();
}

} // namespace

std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const std::vector<Episode>& history,
                             const Calendar& calendar) {
    return choose(at, context, open, routines, ContextKey::History(history), calendar);
}

std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const ContextKey::History& history,
                             const Calendar& calendar) {
    return choose(at, context, open, routines, ContextKey::candidates(context, at.ts, history, calendar),
                  calendar);
}

std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const std::vector<ContextKey>& candidates,
                             const Calendar& calendar) {
    const std::unordered_set<Item> openSet(open.begin(), open.end());

    std::optional<Candidate> best;
    for (const Routine& routine : routines) {
        if (routine.edits.mode == RoutineEdits::Mode::off) {
            continue;
        }
        if (routine.items.empty() ? !routine.edits.doesMoreThanOpen() : alreadySetUp(routine, openSet)) {
            continue;
        }
        bool picked = std::any_of(routine.edits.cues.begin(), routine.edits.cues.end(),
                                  [&](const Cue& cue) { return cueMatches(cue, at, context, calendar); });
        if (!picked && !(routine.edits.learnedWhen &&
                         std::find(candidates.begin(), candidates.end(), routine.key) != candidates.end())) {
            continue;
        }
        if (const Candidate candidate{&routine, picked}; !best || beats(candidate, *best)) {
            best = candidate;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return Choice{*best->routine, best->picked};
}

std::optional<Choice> choose(const CueEvent& event, const std::vector<Routine>& routines,
                             const std::vector<Item>& open, std::int64_t at, const Calendar& calendar) {
    const std::unordered_set<Item> openSet(open.begin(), open.end());
    for (const Routine& routine : routines) {
        // Deleted routines are already gone from the book's list.
        if (routine.edits.mode == RoutineEdits::Mode::off) {
            continue;
        }
        if (routine.items.empty() ? !routine.edits.doesMoreThanOpen() : alreadySetUp(routine, openSet)) {
            continue;
        }
        if (std::any_of(routine.edits.cues.begin(), routine.edits.cues.end(),
                        [&](const Cue& cue) { return cue.fulfilledBy(event, at, calendar); })) {
            return Choice{routine, true};
        }
    }
    return std::nullopt;
}

Decision decide(const Trigger& at, const Context& context, const std::vector<Item>& open,
                const std::vector<Routine>& routines, const std::vector<Episode>& history,
                const Calendar& calendar) {
    const auto choice = choose(at, context, open, routines, history, calendar);
    if (!choice) {
        return Decision::nothing();
    }
    switch (choice->routine.trust) {
    case TrustLevel::observe:
        return Decision::nothing();
    case TrustLevel::suggest:
        return Decision::suggest(choice->routine);
    case TrustLevel::automate:
        return at.kind == Trigger::Kind::eventStart ? Decision::suggest(choice->routine)
                                                    : Decision::run(choice->routine);
    }
    return Decision::nothing();
}

std::optional<Routine> guess(const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines,
                             const std::vector<CalendarSeries>& series) {
    const std::unordered_set<Item> openSet(open.begin(), open.end());
    for (const CalendarEvent& event : context.events) {
        auto predicted = Prediction::routine(event, routines, series);
        // A prediction always holds at least one item.
        if (predicted && !alreadySetUp(*predicted, openSet)) {
            return predicted;
        }
    }
    return std::nullopt;
}

} // namespace ostrel::Planner
