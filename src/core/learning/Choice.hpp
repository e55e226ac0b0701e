#pragma once

#include "core/learning/Routine.hpp"

#include <variant>

namespace ostrel {

// The planner's pick for a moment: the routine (with the user's edits merged in) and whether one of
// its own cues matched (picked) rather than its learned context key.
struct Choice {
    Routine routine;
    bool picked = false;

    friend bool operator==(const Choice&, const Choice&) = default;
};

// The planner's verdict from trust alone: offer the routine, set it up, or nothing.
struct Decision {
    struct Suggest {
        Routine routine;
        friend bool operator==(const Suggest&, const Suggest&) = default;
    };
    struct Run {
        Routine routine;
        friend bool operator==(const Run&, const Run&) = default;
    };
    struct Nothing {
        friend bool operator==(const Nothing&, const Nothing&) = default;
    };
    std::variant<Suggest, Run, Nothing> value = Nothing{};

    static Decision suggest(Routine routine) { return {Suggest{std::move(routine)}}; }
    static Decision run(Routine routine) { return {Run{std::move(routine)}}; }
    static Decision nothing() { return {Nothing{}}; }

    friend bool operator==(const Decision&, const Decision&) = default;
};

} // namespace ostrel
