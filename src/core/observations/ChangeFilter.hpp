#pragma once

#include <concepts>
#include <optional>
#include <utility>

namespace ostrel {

// Lets a signal source record a payload only when it differs from the last one it saw, so that the
// store holds changes and not repetitions. What counts as different is the element's own equality;
// the payload records round their measurements at construction for exactly this comparison.
//
// The element may itself be optional (the browser's tab): an absent element is then a value like
// any other, distinct from a filter that has seen nothing yet. A plain value, not locked: each
// source calls its filters from the one queue it works on.
template <std::equality_comparable Element>
struct ChangeFilter {
    std::optional<Element> last;

    // Whether value is to be treated as new: always for the first value, otherwise when it differs
    // from the last. The value becomes the last one either way.
    bool changed(Element value) {
        const bool answer = !last.has_value() || !(*last == value);
        last = std::move(value);
        return answer;
    }

    friend bool operator==(const ChangeFilter&, const ChangeFilter&) = default;
};

} // namespace ostrel
