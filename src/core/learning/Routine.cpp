#include "core/learning/Routine.hpp"

namespace ostrel {

std::string_view toString(TrustLevel trust) {
    switch (trust) {
    case TrustLevel::observe:
        return "observe";
    case TrustLevel::suggest:
        return "suggest";
    case TrustLevel::automate:
        return "automate";
    }
    return "observe";
}

template <>
std::optional<TrustLevel> fromString<TrustLevel>(std::string_view text) {
    for (const TrustLevel trust : {TrustLevel::observe, TrustLevel::suggest, TrustLevel::automate}) {
        if (toString(trust) == text) {
            return trust;
        }
    }
    return std::nullopt;
}

bool operator==(const Routine& a, const Routine& b) {
    return a.key == b.key && a.items == b.items && a.support == b.support && a.confidence == b.confidence &&
           a.trust == b.trust && a.edits == b.edits;
}

} // namespace ostrel
