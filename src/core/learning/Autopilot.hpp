#pragma once

// The autopilot's rules: what to do with the routine the planner chose (set up, ask first or
// nothing), what will happen at a calendar event, and for which class to offer saving a routine.
// Pure functions of their arguments.

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Context.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Answers.hpp"
#include "core/learning/Choice.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <variant>

namespace ostrel::Autopilot {

// Yes answers in a row after which a routine that was asked about runs by itself.
inline constexpr std::int64_t confident = 3;
// No answers in a row after which the autopilot stops asking about a routine.
inline constexpr std::int64_t quiet = 3;

// Context key ids of the routines whose last run the user undid; compared as Unicode text.
using Demoted = std::unordered_set<std::string, text::Hash, text::Equal>;

// The verdict for one chosen routine.
struct Action {
    struct Run { // set up now without asking
        Routine routine;
        friend bool operator==(const Run&, const Run&) = default;
    };
    struct Ask { // ask in a banner first
        Routine routine;
        friend bool operator==(const Ask&, const Ask&) = default;
    };
    struct Nothing {
        friend bool operator==(const Nothing&, const Nothing&) = default;
    };
    std::variant<Run, Ask, Nothing> value = Nothing{};

    static Action run(Routine routine) { return {Run{std::move(routine)}}; }
    static Action ask(Routine routine) { return {Ask{std::move(routine)}}; }
    static Action nothing() { return {Nothing{}}; }

    // The routine to run or ask about; nothing for nothing.
    const Routine* routine() const;

    friend bool operator==(const Action&, const Action&) = default;
};

// "run", "ask" or "nothing".
std::string_view caseName(const Action& action);

// What will happen at a calendar event.
struct EventPlan {
    struct Asking { // the user said yes this many times in a row so far, fewer than confident
        std::int64_t yeses = 0;
        friend bool operator==(const Asking&, const Asking&) = default;
    };
    struct OneOff { // the event does not repeat: help can only be offered
        friend bool operator==(const OneOff&, const OneOff&) = default;
    };
    struct Automatic {
        friend bool operator==(const Automatic&, const Automatic&) = default;
    };
    struct AlwaysAsks { // the event has a video-meeting link
        friend bool operator==(const AlwaysAsks&, const AlwaysAsks&) = default;
    };
    struct StoppedAsking { // declined often enough
        friend bool operator==(const StoppedAsking&, const StoppedAsking&) = default;
    };
    std::variant<Asking, OneOff, Automatic, AlwaysAsks, StoppedAsking> value = OneOff{};

    static EventPlan asking(std::int64_t yeses) { return {Asking{yeses}}; }
    static EventPlan oneOff() { return {OneOff{}}; }
    static EventPlan automatic() { return {Automatic{}}; }
    static EventPlan alwaysAsks() { return {AlwaysAsks{}}; }
    static EventPlan stoppedAsking() { return {StoppedAsking{}}; }

    friend bool operator==(const EventPlan&, const EventPlan&) = default;
};

// The first rule that applies, in this order: no choice, mode off, an unpicked routine without a
// mode that is only observed (nothing); a routine that would open a video meeting (ask, whatever
// its mode); mode ask; mode automatic; a picked routine; a slot or made key; a calendar key, by its
// answer streaks. The demoted set only holds back routines that are not calendar keys: for those
// an undo already resets the yes streak.
Action action(const std::optional<Choice>& choice, Trigger::Kind at, const Demoted& demoted,
              const Answers& answers);

// The planner's trust-only verdict, taken as an unpicked choice of its routine.
Action action(const Decision& decision, Trigger::Kind at, const Demoted& demoted, const Answers& answers);

// One-off, stopped asking, always asks (a meeting link), asking, or automatic, tested in that
// order against the answers of the event's series.
EventPlan plan(const CalendarEvent& event, const Answers& answers);

// The series key of the first recurring class of the context that was never asked about; nothing
// when every such class was asked about at least once, or there is none.
std::optional<ContextKey> saveOffer(const Context& context, const Answers& answers);

} // namespace ostrel::Autopilot
