#include "core/episodes/Setup.hpp"

#include "core/foundation/Text.hpp"

#include <algorithm>

namespace ostrel {

bool operator==(const Setup& a, const Setup& b) {
    return a.broughtUp == b.broughtUp && a.carried == b.carried &&
           std::equal(a.putAway.begin(), a.putAway.end(), b.putAway.begin(), b.putAway.end(),
                      text::Equal{}) &&
           a.layout == b.layout && a.settings == b.settings;
}

} // namespace ostrel
