// Routine edits and their cues. Edits that decode encode, decode back equal and encode stably. A
// time cue's next instant lies after the moment asked about; for a minute within the day it is
// within eight days and due then in every zone; edits that are neither deleted nor off await
// each of their cues' own happenings.

#include "FuzzCheck.hpp"

#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/routines/Cue.hpp"
#include "core/routines/CueWatch.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <array>
#include <cmath>
#include <vector>

using namespace ostrel;

namespace {

// Zones with daylight saving both ways, odd offsets, a half-hour change and a skipped day.
const std::vector<Calendar>& calendars() {
    static const std::vector<Calendar> all = [] {
        std::vector<Calendar> made;
        for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "Australia/Lord_Howe",
                                 "Asia/Kathmandu", "Pacific/Apia"}) {
            made.emplace_back(zone, "en_US");
        }
        return made;
    }();
    return all;
}

// Ordinary days and the days around clock changes (seconds since 1970).
constexpr std::array<Date, 6> afters = {
    1.7e9,        // an ordinary Tuesday in 2023
    1774746000.0, // 2026-03-29 01:00 UTC, Europe's spring change
    1792890000.0, // 2026-10-25 01:00 UTC, Europe's autumn change
    1772953200.0, // 2026-03-08 07:00 UTC, America's spring change
    1325152800.0, // 2011-12-29 10:00 UTC, the day before Samoa skipped a day
    0.0,
};

void checkCue(const RoutineEdits& edits, const Cue& cue) {
    const bool waiting = !edits.deleted && edits.mode != RoutineEdits::Mode::off;
    for (const Calendar& calendar : calendars()) {
        std::vector<Date> moments(afters.begin(), afters.end());
        if (edits.created) {
            moments.push_back(static_cast<Date>(*edits.created) / 1000.0);
        }
        for (const Date after : moments) {
            const std::optional<Date> next = cue.next(after, calendar);
            const auto* time = std::get_if<Cue::Time>(&cue.value);
            if (!next) {
                continue;
            }
            FUZZ_REQUIRE(time != nullptr && !time->weekdays.empty());
            FUZZ_REQUIRE(std::isfinite(*next) && *next > after);
            if (time->minute < 0 || time->minute >= 24 * 60) {
                continue; // rolled into another day, as far off as the minute says, on any weekday
            }
            FUZZ_REQUIRE(*next - after <= 9 * 86400.0);
            const std::optional<std::int64_t> at = roundedMilliseconds(*next);
            FUZZ_REQUIRE(at.has_value());
            FUZZ_REQUIRE(time->isDue(*at, calendar));
            FUZZ_REQUIRE(edits.awaits(CueEvent{CueEvent::Time{}}, *at, calendar) == waiting);
        }
    }
    const Calendar& calendar = calendars().front();
    const auto awaited = std::visit(
        [](const auto& value) -> std::optional<CueEvent> {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Cue::WiFi>) {
                return CueEvent::wifi(value.network);
            } else if constexpr (std::is_same_v<T, Cue::Display>) {
                return CueEvent::display(value.uuid);
            } else if constexpr (std::is_same_v<T, Cue::AudioDevice>) {
                return CueEvent::audioDevice(value.uid);
            } else if constexpr (std::is_same_v<T, Cue::App>) {
                return CueEvent::app(value.bundleID);
            } else {
                return std::nullopt;
            }
        },
        cue.value);
    if (awaited) {
        FUZZ_REQUIRE(cue.fulfilledBy(*awaited, 0, calendar));
        FUZZ_REQUIRE(edits.awaits(*awaited, 0, calendar) == waiting);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const std::optional<RoutineEdits> edits = json::tryDecodeRecord<RoutineEdits>(text);
    if (!edits) {
        // A lone cue is worth reading too: the cue decoder sees the input directly.
        if (const std::optional<Cue> cue = json::tryDecodeRecord<Cue>(text)) {
            const std::optional<Cue> again = json::tryDecodeRecord<Cue>(json::encodeRecord(*cue));
            FUZZ_REQUIRE(again.has_value() && *again == *cue && again->hash() == cue->hash());
            checkCue(RoutineEdits{}, *cue);
        }
        return 0;
    }
    const std::string encoded = json::encodeRecord(*edits);
    const std::optional<RoutineEdits> again = json::tryDecodeRecord<RoutineEdits>(encoded);
    FUZZ_REQUIRE(again.has_value());
    FUZZ_REQUIRE(*again == *edits);
    FUZZ_REQUIRE(json::encodeRecord(*again) == encoded);
    for (const Cue& cue : edits->cues) {
        checkCue(*edits, cue);
    }
    return 0;
}
