#include "core/episodes/Context.hpp"

#include "core/foundation/Text.hpp"
#include "core/foundation/UnicodeText.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const Context& a, const Context& b) {
    return a.events == b.events && canonicallyEqual(a.network, b.network) && a.location == b.location &&
           std::equal(a.displays.begin(), a.displays.end(), b.displays.begin(), b.displays.end(),
                      text::Equal{}) &&
           a.open == b.open;
}

} // namespace ostrel
