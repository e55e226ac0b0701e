#include "app/shell/UpcomingEvent.hpp"

namespace ostrel {

std::vector<UpcomingEvent> UpcomingEvent::load(Store&, std::int64_t, std::size_t) {
    return {};
}

} // namespace ostrel
