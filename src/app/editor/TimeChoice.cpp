#include "app/editor/TimeChoice.hpp"

#include <algorithm>

namespace ostrel {

bool TimeChoice::isOn(std::int64_t day) const {
    return std::find(weekdays_.begin(), weekdays_.end(), day) != weekdays_.end();
}

Cue::Time TimeChoice::toggle(std::int64_t day) {
    if (isOn(day)) {
        std::erase(weekdays_, day);
    } else {
        weekdays_.push_back(day);
    }
    std::vector<std::int64_t> sorted = weekdays_;
    std::sort(sorted.begin(), sorted.end());
    return Cue::Time{std::move(sorted), minute_};
}

Cue::Time TimeChoice::setTime(int hour, int minute) {
    minute_ = static_cast<std::int64_t>(hour) * 60 + minute;
    return Cue::Time{weekdays_, minute_};
}

} // namespace ostrel
