#include "app/home/RoutineRowText.hpp"

#include "core/foundation/Rounding.hpp"
#include "core/learning/RoutineName.hpp"

#include <type_traits>
#include <variant>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel::RoutineRowText {

namespace {

// The text with its first character upper-cased ("on Eduroam" reads "On Eduroam").
std::string firstUpper(const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t end = 0;
    UChar32 first = 0;
    U8_NEXT(bytes, end, length, first);
    if (first < 0) {
        return text;
    }
    const UChar32 upper = u_toupper(first);
    std::uint8_t encoded[U8_MAX_LENGTH];
    std::int32_t written = 0;
    UBool failed = false;
    U8_APPEND(encoded, written, U8_MAX_LENGTH, upper, failed);
    if (failed) {
        return text;
    }
    return std::string(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(written)) +
           text.substr(static_cast<std::size_t>(end));
}

std::string_view symbolOf(const Cue& cue) {
    return std::visit(
        [](const auto& value) -> std::string_view {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Cue::Event>) {
                return "calendar";
            } else if constexpr (std::is_same_v<T, Cue::Time>) {
                return "clock";
            } else if constexpr (std::is_same_v<T, Cue::WiFi>) {
                return "wifi";
            } else if constexpr (std::is_same_v<T, Cue::Display>) {
                return "display";
            } else if constexpr (std::is_same_v<T, Cue::AudioDevice>) {
                return "headphones";
            } else {
                return "app";
            }
        },
        cue.value);
}

void addLearnedMoment(std::vector<Moment>& moments, const ContextKey& key,
                      const std::vector<CalendarSeries>& series,
                      const std::map<std::string, SeriesSchedule>& schedules, const Calendar& calendar,
                      const Wording::NetworkName& networkName) {
    if (const auto* event = std::get_if<ContextKey::Event>(&key.value)) {
        const auto found = schedules.find(event->seriesKey);
        if (found == schedules.end()) {
            moments.push_back({"calendar", "When it starts on your calendar"});
            return;
        }
        const SeriesSchedule& schedule = found->second;
        const std::vector<std::int64_t> weekdays(schedule.weekdays.begin(), schedule.weekdays.end());
        moments.push_back({"calendar", Wording::days(weekdays, calendar) + " at " +
                                           Wording::clock(schedule.minute, calendar)});
        if (schedule.location) {
            moments.push_back({"mappin", *schedule.location});
        }
    } else if (std::holds_alternative<ContextKey::Title>(key.value)) {
        moments.push_back({"calendar", "When it's on your calendar"});
    } else if (const auto* slot = std::get_if<ContextKey::Slot>(&key.value)) {
        moments.push_back({"clock", RoutineName::name(key, series, calendar)});
        if (const auto place = Wording::place(slot->place, networkName)) {
            const bool wifi = slot->place.starts_with("wifi:");
            moments.push_back({wifi ? "wifi" : "mappin", firstUpper(*place)});
        }
    }
}

} // namespace

std::string seenText(const Routine& routine) {
    if (routine.isMade()) {
        return "You made this";
    }
    std::string text =
        routine.support == 1 ? "Seen once" : "Seen " + std::to_string(routine.support) + " times";
    const std::int64_t percent = roundedToInt64(routine.confidence * 100).value_or(0);
    return text + ", confidence " + std::to_string(percent) + "%";
}

std::vector<Moment> moments(const Routine& routine, const std::vector<CalendarSeries>& series,
                            const std::map<std::string, SeriesSchedule>& schedules, const Calendar& calendar,
                            const Workspace& workspace, const Wording::NetworkName& networkName) {
    std::vector<Moment> moments;
    if (!routine.isMade() && routine.edits.learnedWhen) {
        addLearnedMoment(moments, routine.key, series, schedules, calendar, networkName);
    }
    for (const Cue& cue : routine.edits.cues) {
        moments.push_back({std::string(symbolOf(cue)), Wording::words(cue, series, calendar, workspace)});
    }
    if (moments.empty()) {
        moments.push_back({"hand.tap", "Only when you choose Set up now"});
    }
    return moments;
}

Badge trustBadge(TrustLevel trust, const std::optional<RoutineEdits::Mode>& mode, bool demoted) {
    const Badge automatic{"Sets up by itself", BadgeColour::leaf, 0.35};
    const Badge asks{"Asks first", BadgeColour::sun, 0.6};
    if (mode) {
        switch (*mode) {
        case RoutineEdits::Mode::automatic:
            return automatic;
        case RoutineEdits::Mode::ask:
            return asks;
        case RoutineEdits::Mode::off:
            return {"Off", BadgeColour::horizon, 1};
        }
    }
    if (trust == TrustLevel::observe) {
        return {"Still learning", BadgeColour::horizon, 1};
    }
    return demoted ? asks : automatic;
}

} // namespace ostrel::RoutineRowText
