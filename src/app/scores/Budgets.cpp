#include "app/scores/Budgets.hpp"

#include "platform/Clock.hpp"

namespace ostrel {

Date Budgets::launched(const Clock& clock) {
    static const Date launch = clock.now();
    return launch;
}

} // namespace ostrel
