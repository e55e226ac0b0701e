#include "app/signals/PowerSignal.hpp"

#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"

#include <algorithm>

namespace ostrel {

namespace {

PowerPayload::Source source(const std::optional<std::string>& providingType) {
    if (providingType == power::batteryPower) {
        return PowerPayload::Source::battery;
    }
    if (providingType == power::upsPower) {
        return PowerPayload::Source::ups;
    }
    return PowerPayload::Source::ac;
}

// current × 100 ÷ max in whole percent, clamped to 0...100. A gauge may report a charge above its
// capacity or below zero; neither is a charge the user could have. The wide product cannot
// overflow for any pair of 64-bit capacities.
__extension__ using Wide = __int128; // a compiler extension of GCC and Clang, on purpose

std::int64_t percent(std::int64_t current, std::int64_t max) {
    const Wide whole = static_cast<Wide>(current) * 100 / max;
    return static_cast<std::int64_t>(std::clamp<Wide>(whole, 0, 100));
}

} // namespace

PowerSignal::PowerSignal(PowerSources& power, ObservationWriter& writer, const Clock& clock, Executor& main)
    : power_(power), writer_(writer), clock_(clock), main_(main) {}

void PowerSignal::start() {
    notices_ = power_.watchPower(main_, guard_.wrap([this] { record(); }));
    if (!notices_) {
        return;
    }
    record();
}

PowerPayload PowerSignal::payload(const PowerInfo& info) {
    std::optional<std::int64_t> batteryPercent;
    std::optional<bool> charging;
    for (const PowerSourceInfo& each : info.sources) {
        if (each.type != power::internalBattery || !each.currentCapacity || !each.maxCapacity ||
            *each.maxCapacity < 1) {
            continue;
        }
        batteryPercent = percent(*each.currentCapacity, *each.maxCapacity);
        charging = each.charging;
    }
    return PowerPayload(source(info.providingType), batteryPercent, charging);
}

void PowerSignal::record() {
    const auto info = power_.powerInfo();
    if (!info) {
        return;
    }
    PowerPayload reading = payload(*info);
    if (filter_.changed(reading)) {
        writer_.record(Signal::power, reading, clock_.now());
    }
}

} // namespace ostrel
