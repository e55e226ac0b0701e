#pragma once

#include "core/foundation/Date.hpp"

namespace ostrel {

class Clock;

// The resource budgets the score export reports against. For now only the launch time they are
// measured from.
class Budgets {
public:
    // The process's launch time: the clock's now the first time it is read, the same afterwards.
    static Date launched(const Clock& clock);
};

} // namespace ostrel
