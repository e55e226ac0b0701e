#pragma once

#include "core/foundation/EnumText.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace ostrel {

// A moment an episode starts at: the user arriving at the machine, or a class starting while they
// are there. Always stamped with the observation that produced it.
struct Trigger {
    // Stored as "wake", "unlock", "login", "event_start".
    enum class Kind { wake, unlock, login, eventStart };

    std::int64_t ts = 0;
    Kind kind = Kind::wake;

    friend bool operator==(const Trigger&, const Trigger&) = default;
};

std::string_view toString(Trigger::Kind kind);

template <>
std::optional<Trigger::Kind> fromString<Trigger::Kind>(std::string_view text);

// Wake, unlock and login are the user coming to the machine; an event start is not.
constexpr bool isArrival(Trigger::Kind kind) {
    return kind != Trigger::Kind::eventStart;
}

} // namespace ostrel

template <>
struct std::hash<ostrel::Trigger> {
    std::size_t operator()(const ostrel::Trigger& trigger) const noexcept {
        const std::size_t ts = std::hash<std::int64_t>()(trigger.ts);
        const std::size_t kind = std::hash<std::string_view>()(ostrel::toString(trigger.kind));
        return ts ^ (kind + 0x9e3779b97f4a7c15ULL + (ts << 6) + (ts >> 2));
    }
};
