#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/observations/SignalObservation.hpp"

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// The "Your time" figures of a span: how long the user was actively at the computer, per front
// app, web site and calendar class, per clock hour and per day, and what the setups run in the span
// saved.
//
// Active time is inferred from the observation stream: the gap between two consecutive observations
// counts when, at its start, the machine was awake, unlocked and not idle, and the gap is at most
// three hours long; a gap that ends with the program's own start never counts (it was not running).
struct TimeReport {
    struct Usage {
        std::string key; // bundle identifier, site or class title
        std::int64_t ms = 0;

        json::Value toJSON() const;
        // Keys compare as Unicode text.
        friend bool operator==(const Usage& a, const Usage& b);
    };

    // The longest gap between two observations that still counts as active, in milliseconds.
    static constexpr std::int64_t longestActiveGap = 10'800'000;

    std::int64_t active = 0;
    std::vector<Usage> apps;    // by ms descending, then key ascending
    std::vector<Usage> sites;   // likewise
    std::vector<Usage> classes; // likewise; overlapping classes each count, so they may sum past active
    std::vector<std::int64_t> hours = std::vector<std::int64_t>(24, 0); // index = the local hour
    std::vector<std::int64_t> days; // index 0 = the local day that contains from
    std::int64_t saved = 0;         // estimated, by the setups run in the span and not undone
    std::int64_t runs = 0;

    TimeReport() = default;

    // The signals whose payloads the report reads; every other observation counts by its time and
    // signal alone, so a reader may leave their payloads out (Store::observationsWithPayloadsOf).
    static const std::set<Signal>& payloadSignals();

    // The report of [from, to). observations may come in any order and should begin before from
    // (the Time page reads six hours more): earlier ones set the front app, sites, awake, lock and
    // idle state without being credited themselves; those at or after to are ignored. events are
    // the calendar events to credit class time to; calendar fixes the hours and days. A payload that
    // does not decode is skipped. days holds one entry per local day of the span (at least one), so
    // callers keep the span to what they mean to show.
    TimeReport(std::span<const SignalObservation> observations, std::int64_t from, std::int64_t to,
               std::span<const CalendarEvent> events, const Calendar& calendar);

    json::Value toJSON() const;

    friend bool operator==(const TimeReport&, const TimeReport&) = default;
};

} // namespace ostrel
