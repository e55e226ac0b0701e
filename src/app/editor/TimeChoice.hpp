#pragma once

#include "core/routines/Cue.hpp"

#include <cstdint>
#include <vector>

namespace ostrel {

// The time picker's own state while its popover is open: the days switched on, in the order the
// student switched them on, and the minute of the day. Each change gives the time cue to write in
// the chip's place: a day switched on or off writes the days sorted, a new time writes them in the
// picker's own order (so a cue can read [2, 3, 4, 5, 6, 1]). The last day can go too: a cue
// without days is the student's to keep.
//
// Threading: a value; the main executor's, like the popover.
class TimeChoice {
public:
    explicit TimeChoice(const Cue::Time& cue) : weekdays_(cue.weekdays), minute_(cue.minute) {}

    const std::vector<std::int64_t>& weekdays() const { return weekdays_; }
    std::int64_t minute() const { return minute_; }
    bool isOn(std::int64_t day) const;

    // Switches day off (every copy) when on, else appends it.
    Cue::Time toggle(std::int64_t day);
    // hour * 60 + minute.
    Cue::Time setTime(int hour, int minute);

private:
    std::vector<std::int64_t> weekdays_;
    std::int64_t minute_;
};

} // namespace ostrel
