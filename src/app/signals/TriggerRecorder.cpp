#include "app/signals/TriggerRecorder.hpp"

#include "core/episodes/TriggerDetector.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"

#include <algorithm>
#include <set>

namespace ostrel {

namespace {

const std::set<Signal>& triggerSignals() {
    static const std::set<Signal> signals{Signal::wake, Signal::unlock, Signal::quevStart,
                                          Signal::eventStart};
    return signals;
}

} // namespace

TriggerRecorder::TriggerRecorder(Store& store, ObservationWriter& writer, const Clock& clock, OnNew onNew)
    : store_(store), writer_(writer), clock_(clock), onNew_(std::move(onNew)) {}

TriggerRecorder::~TriggerRecorder() {
    writer_.flush();
}

void TriggerRecorder::update() {
    writer_.whenWritten([this] { record(); });
}

void TriggerRecorder::record() const noexcept {
    const auto now = truncatedMilliseconds(clock_.now());
    if (!now) {
        logger_.error("Couldn't record triggers: %@", "the clock reads no date");
        return;
    }
    try {
        const auto observations = store_.observations(*now - readWindow, *now + 1, triggerSignals());
        const auto detected = TriggerDetector::triggers(observations, *now - detectionWindow, *now + 1);
        const auto existing = store_.triggers(*now - detectionWindow, *now + 1);
        std::vector<Trigger> fresh;
        for (const Trigger& trigger : detected) {
            const bool stored = std::any_of(existing.begin(), existing.end(), [&](const Trigger& other) {
                return other.ts == trigger.ts && other.kind == trigger.kind;
            });
            if (!stored) {
                fresh.push_back(trigger);
            }
        }
        store_.insert(detected);
        if (!fresh.empty() && onNew_) {
            onNew_(fresh);
        }
    } catch (const std::exception& error) {
        logger_.error("Couldn't record triggers: %@", error);
    }
}

} // namespace ostrel
