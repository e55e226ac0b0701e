#pragma once

// A guess for a class little or nothing was learned for: the courses of one subject (the lecture,
// the recitation, the lab) tend to need the same things, so a class borrows from its siblings and
// adds the links the event itself carries. Pure functions, safe on any thread.

#include "core/calendar/CalendarEvent.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace ostrel::Prediction {

// Most items a predicted routine holds.
inline constexpr std::size_t maxItems = 6;
// The confidence of a prediction that has no learned routine of its own behind it.
inline constexpr double unlearnedConfidence = 0.5;

// The lower-case words that say what kind of meeting a class is rather than what it is about.
const std::unordered_set<std::string>& kinds();

// What a class title is about: its lower-cased words without the kind words, cut after a course
// code among the first three of them ("BIO 110 Lecture Section 002" gives "bio 110"). Nothing when
// only kind words are left.
std::optional<std::string> subject(std::string_view title);

// The key an event's routine is learned under: its series for a recurring event, else its
// normalised title.
ContextKey key(const CalendarEvent& event);

// The event's own learned routine, then the routines of other series of the same subject (by
// support, largest first), then the event's links as pages; repeats dropped, at most six items.
// Trusted to suggest; support and confidence are the own routine's, else 0 and 0.5. Nothing when
// no item is found.
std::optional<Routine> routine(const CalendarEvent& event, const std::vector<Routine>& learned,
                               const std::vector<CalendarSeries>& series);

// The title of the first event the key stands for; slot and made keys name no event.
std::optional<std::string> name(const ContextKey& key, const std::vector<CalendarEvent>& events);

} // namespace ostrel::Prediction
