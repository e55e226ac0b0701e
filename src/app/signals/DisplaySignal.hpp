#pragma once

#include "core/observations/ChangeFilter.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "platform/Clock.hpp"
#include "platform/Displays.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <optional>

namespace ostrel {

class ObservationWriter;

// Records "displays", the connected screens in the system's order, at start and whenever the
// screen configuration has been quiet for settleDelay: a reconfiguration sends a burst of notices,
// and only the settled arrangement is worth a row. A reading equal to the last one writes
// nothing. Screens the system gives no id are left out.
//
// Threads: construct, start and destroy on the main executor; notices and the debounced reading
// run there. Destroying it unsubscribes and cancels a pending reading.
class DisplaySignal {
public:
    static constexpr double settleDelay = 1.0;

    // Every reference must outlive this object.
    DisplaySignal(Displays& displays, ObservationWriter& writer, const Clock& clock, Executor& main);

    DisplaySignal(const DisplaySignal&) = delete;
    DisplaySignal& operator=(const DisplaySignal&) = delete;

    // Follows the screens notice, then records at once. Once.
    void start();

    // The screens now as a payload.
    static DisplaysPayload read(const Displays& displays);

private:
    void screensChanged();
    void record();

    Displays& displays_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& main_;
    ChangeFilter<DisplaysPayload> filter_;
    TaskHandle pending_;
    Subscription notices_;
    LifetimeGuard guard_; // last: callbacks posted to main do nothing once this is gone
};

} // namespace ostrel
