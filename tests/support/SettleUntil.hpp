#pragma once

#include "platform/sim/VirtualTime.hpp"

#include <chrono>
#include <thread>

namespace ostrel::test {

// Settles virtual time until condition holds, for work that real threads (a listener, a fake
// server) post to the manual executors. Virtual time does not move; the wait is bounded in real
// time. Returns whether the condition came true.
template <class Condition>
bool settleUntil(VirtualTime& time, Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        time.settle();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace ostrel::test
