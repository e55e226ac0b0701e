#pragma once

#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "core/observations/Signal.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// One observation: when (milliseconds since 1970), what kind, and its payload as compact JSON with
// sorted keys and unescaped slashes. Stored as one row of the observations table.
struct SignalObservation {
    std::int64_t ts = 0;
    Signal signal;
    std::string payload;

    SignalObservation() = default;
    SignalObservation(std::int64_t ts, Signal signal, std::string payload)
        : ts(ts), signal(std::move(signal)), payload(std::move(payload)) {}

    // Stamps and encodes a payload record: ts is the date in milliseconds rounded half away from
    // zero. Throws json::EncodingError when the payload has no JSON form (a non-finite number) or
    // the date has no millisecond form (not finite, or past int64).
    template <json::EncodableRecord Payload>
    SignalObservation(Signal signal, const Payload& payload, Date at)
        : ts(stamp(at)), signal(std::move(signal)), payload(json::encodeRecord(payload)) {}

    // The payload read back as Record, or nothing when it does not decode as one. Any record whose
    // required keys the payload holds will do; the signal is not checked.
    template <json::DecodableRecord Record>
    std::optional<Record> decoded() const noexcept {
        return json::tryDecodeRecord<Record>(payload);
    }

    friend bool operator==(const SignalObservation&, const SignalObservation&) = default;

private:
    static std::int64_t stamp(Date at);
};

// The observations in time order without copying them: a stable sort by ts, so equal timestamps
// keep the order they came in (the store's insertion order). Already ordered input is not re-sorted.
std::vector<const SignalObservation*> sortedByTime(std::span<const SignalObservation> observations);

} // namespace ostrel
