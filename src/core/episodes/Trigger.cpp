#include "core/episodes/Trigger.hpp"

namespace ostrel {

std::string_view toString(Trigger::Kind kind) {
    switch (kind) {
    case Trigger::Kind::wake:
        return "wake";
    case Trigger::Kind::unlock:
        return "unlock";
    case Trigger::Kind::login:
        return "login";
    case Trigger::Kind::eventStart:
        return "event_start";
    }
    return "wake";
}

template <>
std::optional<Trigger::Kind> fromString<Trigger::Kind>(std::string_view text) {
    for (const auto kind :
         {Trigger::Kind::wake, Trigger::Kind::unlock, Trigger::Kind::login, Trigger::Kind::eventStart}) {
        if (toString(kind) == text) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
