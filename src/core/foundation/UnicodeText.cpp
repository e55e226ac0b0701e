#include "core/foundation/UnicodeText.hpp"

#include "core/foundation/Text.hpp"

namespace ostrel {

// One comparison serves every record: the one of Text.hpp, with its ASCII path and its ordering
// and hashing that agree with it.
bool canonicallyEqual(std::string_view a, std::string_view b) {
    return text::equal(a, b);
}

bool canonicallyEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return text::equal(*a, *b);
}

} // namespace ostrel
