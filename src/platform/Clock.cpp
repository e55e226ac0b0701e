#include "platform/Clock.hpp"

#include <ctime>

namespace ostrel {

namespace {

double read(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

Date SystemClock::now() const {
    return read(CLOCK_REALTIME);
}

double SystemClock::monotonic() const {
    return read(CLOCK_MONOTONIC);
}

double SystemClock::boot() const {
    return read(CLOCK_BOOTTIME);
}

} // namespace ostrel
