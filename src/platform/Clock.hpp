#pragma once

#include "core/foundation/Date.hpp"

namespace ostrel {

// The three clocks every service reads, injected so that tests and the simulator run in virtual
// time. Safe to read from any thread.
//
// - wall: seconds since 1970; may jump (the user sets the clock, the network corrects it).
// - monotonic: seconds that stop while the machine sleeps; never goes back.
// - boot: seconds since the machine started, running through sleep; never goes back.
class Clock {
public:
    virtual ~Clock() = default;

    virtual Date now() const = 0;
    virtual double monotonic() const = 0;
    virtual double boot() const = 0;
};

// The machine's clocks: CLOCK_REALTIME, CLOCK_MONOTONIC (which stops during suspend on Linux) and
// CLOCK_BOOTTIME.
class SystemClock final : public Clock {
public:
    Date now() const override;
    double monotonic() const override;
    double boot() const override;
};

} // namespace ostrel
