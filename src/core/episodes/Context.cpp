#include "core/episodes/Context.hpp"

#include "core/foundation/Text.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const Context& a, const Context& b) {
    const bool sameNetwork =
        a.network.has_value() == b.network.has_value() && (!a.network || text::equal(*a.network, *b.network));
    return a.events == b.events && sameNetwork && a.location == b.location &&
           std::equal(a.displays.begin(), a.displays.end(), b.displays.begin(), b.displays.end(),
                      text::Equal{}) &&
           a.open == b.open;
}

} // namespace ostrel
