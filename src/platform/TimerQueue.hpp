#pragma once

#include "platform/Executor.hpp"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace ostrel {

// The clock a queued task waits for. Posted tasks wait for the monotonic reading they were posted
// at, so that they line up with timers that fall due at the same moment.
enum class TimerBase { monotonic, boot, wall };

// One reading of the three clocks.
struct ClockReadings {
    double monotonic = 0;
    double boot = 0;
    double wall = 0;

    double on(TimerBase base) const;
    static ClockReadings of(const Clock& clock);
};

// The waiting tasks of one or more executors, each with a deadline on one of the three clocks.
// What is due comes out in deadline order across the clocks (the task whose deadline passed
// longest ago first), then in the order queued. Not synchronised: its owner locks.
class TimerQueue {
public:
    struct Entry {
        Task task;
        std::shared_ptr<std::atomic<bool>> cancelled; // null: cannot be cancelled
        void* owner = nullptr;                        // the executor that runs it
        bool isCancelled() const { return cancelled && cancelled->load(); }
    };

    // When the next live task falls due.
    struct Next {
        double delay = 0; // seconds on its clock from the readings given; <= 0 when due
        TimerBase base = TimerBase::monotonic;
        double deadline = 0;
    };

    void push(TimerBase base, double deadline, Entry entry);

    // The due task to run first, taken out of the queue; cancelled tasks met on the way are dropped.
    std::optional<Entry> popDue(const ClockReadings& now);
    std::optional<Next> next(const ClockReadings& now);

    // Live tasks, cancelled ones excluded.
    std::size_t pending() const;
    void clear();

private:
    using Key = std::pair<double, std::uint64_t>; // deadline, sequence
    std::map<Key, Entry>& line(TimerBase base) { return lines_[static_cast<int>(base)]; }
    void dropCancelledFronts();

    std::map<Key, Entry> lines_[3];
    std::uint64_t sequence_ = 0;
};

} // namespace ostrel
