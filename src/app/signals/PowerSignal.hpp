#pragma once

#include "core/observations/ChangeFilter.hpp"
#include "core/observations/PowerPayload.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/PowerSources.hpp"
#include "platform/Subscription.hpp"

#include <optional>

namespace ostrel {

class ObservationWriter;

// Records "power": where the machine takes its power from and the internal battery's charge in
// steps of 5 percent, at start and whenever the system reports a power-source change and the
// reading differs from the last. When the system cannot notify about power sources, it records
// nothing at all, not even at start: a reading that could never be followed would go stale
// unnoticed.
//
// Threads: construct, start and destroy on the main executor, where the notices arrive.
// Destroying it unsubscribes.
class PowerSignal {
public:
    // Every reference must outlive this object.
    PowerSignal(PowerSources& power, ObservationWriter& writer, const Clock& clock, Executor& main);

    PowerSignal(const PowerSignal&) = delete;
    PowerSignal& operator=(const PowerSignal&) = delete;

    // Subscribes; when that works, records at once. Once.
    void start();

    // The payload for these facts: the providing type ("Battery Power" → battery, "UPS Power" →
    // ups, anything else → ac) and the last internal battery with a usable capacity, its charge
    // clamped to 0...100 percent before it is cut to a multiple of 5.
    static PowerPayload payload(const PowerInfo& info);

private:
    void record();

    PowerSources& power_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& main_;
    ChangeFilter<PowerPayload> filter_;
    std::optional<Subscription> notices_;
    LifetimeGuard guard_; // last
};

} // namespace ostrel
