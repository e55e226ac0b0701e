#pragma once

#include "platform/Clock.hpp"

namespace ostrel::test {

// A clock standing at one moment; the monotonic and boot clocks stand at 0.
class StoppedClock final : public Clock {
public:
    explicit StoppedClock(Date now) : now_(now) {}
    Date now() const override { return now_; }
    double monotonic() const override { return 0; }
    double boot() const override { return 0; }

private:
    Date now_;
};

} // namespace ostrel::test
