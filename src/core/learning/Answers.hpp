#pragma once

// The user's answers per routine, as streaks rather than totals, folded from the recorded
// answers, runs and undos. Never stored: rebuilt from the observations whenever it is needed.

#include "core/foundation/Text.hpp"
#include "core/observations/SignalObservation.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrel {

struct Answers {
    struct Record {
        std::int64_t yeses = 0; // yes answers since the last no or undo
        std::int64_t noes = 0;  // no answers since the last yes
        std::int64_t asked = 0; // banners shown, whatever the answer

        friend bool operator==(const Record&, const Record&) = default;
    };

    // By the id of the routine's context key; only routines some answer or undo concerned.
    std::unordered_map<std::string, Record, text::Hash, text::Equal> records;

    Answers() = default;

    // Folds "quev.answer", "quev.run" and "quev.undo" observations in time order (stable for equal
    // times); other signals, payloads that do not decode and undos of runs not seen before them
    // count for nothing.
    explicit Answers(const std::vector<SignalObservation>& observations);

    // Zeros for a routine without a record.
    Record operator[](std::string_view routine) const;

    // The same routines with equal records; routine ids compare as Unicode text.
    friend bool operator==(const Answers& a, const Answers& b);
};

} // namespace ostrel
