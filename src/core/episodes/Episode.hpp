#pragma once

#include "core/episodes/Context.hpp"
#include "core/episodes/Setup.hpp"
#include "core/episodes/Trigger.hpp"

#include <cstdint>

namespace ostrel {

// What the user had and did after one trigger. Never stored: rebuilt from observations whenever
// learning needs it.
struct Episode {
    Trigger trigger;
    std::int64_t start = 0; // the trigger's ts
    std::int64_t end = 0;
    Context context;
    Setup setup;

    friend bool operator==(const Episode&, const Episode&) = default;
};

} // namespace ostrel
