#include "platform/Clock.hpp"

#include <chrono>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(SystemClock, ReadsTheMachinesThreeClocks) {
    const SystemClock clock;
    const double wall = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(clock.now(), wall, 5.0);
    // Boot time runs through suspend, monotonic time does not, so boot is never behind.
    const double monotonic = clock.monotonic();
    const double boot = clock.boot();
    EXPECT_GE(boot + 1e-3, monotonic);
    EXPECT_GE(clock.monotonic(), monotonic);
    EXPECT_GE(clock.boot(), boot);
}

} // namespace
} // namespace ostrel
