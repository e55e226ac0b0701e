#pragma once

#include "app/ai/Exclusions.hpp"
#include "app/ai/ModelAccess.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Date.hpp"
#include "core/observations/TimeReport.hpp"
#include "platform/Subscription.hpp"
#include "platform/Workspace.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The week's look-back: a short paragraph about the student's week that the language model writes
// from a few plain lines of numbers (facts), shown on the time page above its charts. One text a
// calendar day: the first one made is kept in the setting "lookBack" {"day": the start of its day in
// seconds, "text"} and returned for the rest of that day, so the model runs about once a day.
//
// Deliberately not here: loading the week (the caller builds the TimeReport), retrying, or wording
// a failure: every failure is no text and the card stays away. The facts name no excluded app or
// site: the recorders store none, and what was stored before a name joined a list is left out here.
//
// Threading: the main executor, like the model.
namespace ostrel::LookBack {

// Less active time than this in the week gets no look-back, in milliseconds (30 minutes).
inline constexpr std::int64_t threshold = 1'800'000;

// The most entries each list of the facts names.
inline constexpr std::size_t listed = 5;

inline constexpr std::string_view instructions =
    "You write a short, friendly look back at a student's week on their Mac, in two or three sentences. "
    "Use only the numbers given. Say where most of the time went and one thing worth noticing. No advice "
    "about screen time, no judging, no lists, no emoji.";

// Six lines, the last ending in a full stop: the total, the apps (by the workspace's names), the
// websites, the classes (each list its first `listed` entries that the exclusions do not hide,
// joined by "; "; websites and classes "none recorded" when empty), the busiest day (the wide
// weekday name, in the calendar's locale, of the report's largest day, the earliest on a tie,
// counted back from now's day as its last; "unknown" without days), and the setups run and the time
// they saved. Every span in Duration's words.
std::string facts(const TimeReport& report, const Workspace& workspace, const Calendar& calendar, Date now,
                  const Exclusions& exclusions = {});

using Done = std::function<void(const std::optional<std::string>& text)>;

// The look-back of the week in report, as of now. done gets the text or nothing: at once, inside
// this call, when report.active is below the threshold; otherwise on the main executor: nothing when
// the model probes unavailable (before the stored text is looked at), today's stored text when there
// is one, else the model's answer to the facts, trimmed and stored for today. A failed or blank
// answer stores nothing and gives nothing; a text that could not be stored is still given.
// Destroying the token drops the call: done is not called and nothing is stored.
[[nodiscard]] Subscription write(const TimeReport& report, const Calendar& calendar, Date now,
                                 const ModelAccess& access, Done done);

} // namespace ostrel::LookBack
