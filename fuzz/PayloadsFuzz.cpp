// Every stored record decoder: the input is tried as each record type; one that decodes must encode,
// decode back equal, encode to the same text again, and read back the same through an observation
// stamped with it, the way the store writes and reads it.

#include "FuzzCheck.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/EmptyPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "core/observations/PowerPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/observations/WindowsPayload.hpp"
#include "core/replay/ScoreExport.hpp"

using namespace ostrel;

namespace {

template <class Record>
void roundTrip(std::string_view text) {
    const std::optional<Record> decoded = json::tryDecodeRecord<Record>(text);
    if (!decoded) {
        return;
    }
    std::string encoded;
    try {
        encoded = json::encodeRecord(*decoded);
    } catch (const json::EncodingError&) {
        FUZZ_REQUIRE(!"a decoded record does not encode");
    }
    const std::optional<Record> again = json::tryDecodeRecord<Record>(encoded);
    FUZZ_REQUIRE(again.has_value());
    FUZZ_REQUIRE(*again == *decoded);
    FUZZ_REQUIRE(json::encodeRecord(*again) == encoded);

    const SignalObservation observation(Signal("fuzz"), *decoded, Date(1.5e9));
    FUZZ_REQUIRE(observation.payload == encoded);
    const std::optional<Record> stored = observation.decoded<Record>();
    FUZZ_REQUIRE(stored.has_value() && *stored == *decoded);
}

template <class... Records>
void roundTripAll(std::string_view text) {
    (roundTrip<Records>(text), ...);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    roundTripAll<AppPayload, AudioDevicesPayload, AudioPayload, DisplaysPayload, EmptyPayload, EventStartPayload,
                 LocationPayload, OstrelStartPayload, PowerPayload, RunningAppsPayload, WiFiPayload, WindowPayload,
                 WindowsPayload, TabPayload, AnswerPayload, RunPayload, UndoPayload, ScoreExport>(
        fuzz::asText(data, size));
    return 0;
}
