#pragma once

// How well the learner and the planner would have done on the user's own history: each episode is
// predicted from the routines learned on the episodes before it alone, and the prediction is
// compared with what the user actually brought up. Pure functions of their arguments.

#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Item.hpp"
#include "core/foundation/Calendar.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel::Replay {

// The similarity at or above which a prediction agrees with what was brought up.
inline constexpr double agreeingSimilarity = 0.6;

struct EpisodeResult {
    Episode episode;
    // What the routine the planner would have suggested or run opens; nothing when it would have
    // done nothing.
    std::optional<std::vector<Item>> predicted;

    // What the user brought up, in its order, with a page deeper than a predicted page (its URL
    // starts with the predicted URL) counted as that predicted page.
    std::vector<Item> actual() const;
    // Share of the predicted items brought up; nothing without a prediction or with an empty one.
    std::optional<double> precision() const;
    // Share of the brought-up items predicted; nothing without a prediction or when nothing was
    // brought up.
    std::optional<double> recall() const;
    // A prediction whose items and the brought-up items are similar enough (both empty agree).
    bool agreed() const;

    friend bool operator==(const EpisodeResult&, const EpisodeResult&) = default;
};

struct Report {
    std::vector<EpisodeResult> episodes; // in replay order

    // Episodes that got a prediction.
    std::int64_t suggestions() const;
    // Of the class episodes whose class was seen in an earlier episode, the share that got a
    // prediction; nothing when there is no such episode.
    std::optional<double> coverage() const;
    // Of the episodes with a prediction, the share that agreed; nothing without predictions.
    std::optional<double> accuracy() const;

    friend bool operator==(const Report&, const Report&) = default;
};

// Replays the episodes in order of start (stable for equal starts). Each one is predicted by the
// planner's choice at its trigger, in its context with its open items, among the routines learned
// from the episodes before it (without the user's edits), with those episodes as history; a
// routine that is only observed predicts nothing.
//
// The routines are not relearned from scratch for every episode: the history's titles and place
// anchors grow one episode at a time, an episode is filed anew only when the history it depends
// on changed, and only the routines of the moment's candidate keys are learned. The report is the
// same as relearning everything before each episode.
Report run(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
           const Calendar& calendar);

} // namespace ostrel::Replay
