#include "app/signals/DisplaySignal.hpp"

#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"

namespace ostrel {

DisplaySignal::DisplaySignal(Displays& displays, ObservationWriter& writer, const Clock& clock,
                             Executor& main)
    : displays_(displays), writer_(writer), clock_(clock), main_(main) {}

void DisplaySignal::start() {
    notices_ = displays_.subscribe(main_, guard_.wrap([this] { screensChanged(); }));
    record();
}

DisplaysPayload DisplaySignal::read(const Displays& displays) {
    DisplaysPayload payload;
    for (const Screen& screen : displays.screens()) {
        if (!screen.id) {
            continue;
        }
        DisplaysPayload::Display display;
        display.id = *screen.id;
        display.uuid = screen.uuid;
        display.name = screen.name;
        // The frame's minimum corner and extent, whichever way round the system gave it.
        const Rect frame = screen.frame.standardized();
        display.x = frame.x;
        display.y = frame.y;
        display.width = frame.width;
        display.height = frame.height;
        display.builtin = screen.builtin;
        display.main = screen.main;
        payload.displays.push_back(std::move(display));
    }
    return payload;
}

void DisplaySignal::screensChanged() {
    // Each notice replaces the pending reading: a burst gives one reading after the last.
    pending_ = main_.postAfter(settleDelay, guard_.wrap([this] { record(); }));
}

void DisplaySignal::record() {
    DisplaysPayload payload = read(displays_);
    if (filter_.changed(payload)) {
        writer_.record(Signal::displays, payload, clock_.now());
    }
}

} // namespace ostrel
