#include "platform/QueuedExecutor.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace ostrel {

void QueuedExecutor::post(Task task) {
    push(TimerBase::monotonic, clock().monotonic(), {std::move(task), nullptr, this});
}

TaskHandle QueuedExecutor::postAfter(double seconds, Task task, TimeBase base) {
    if (std::isnan(seconds)) {
        throw std::invalid_argument("postAfter: delay is not a number");
    }
    seconds = std::max(seconds, 0.0);
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    if (base == TimeBase::boot) {
        push(TimerBase::boot, clock().boot() + seconds, {std::move(task), cancelled, this});
    } else {
        push(TimerBase::monotonic, clock().monotonic() + seconds, {std::move(task), cancelled, this});
    }
    return TaskHandle(std::move(cancelled));
}

TaskHandle QueuedExecutor::postAt(Date deadline, Task task) {
    if (std::isnan(deadline)) {
        throw std::invalid_argument("postAt: deadline is not a number");
    }
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    push(TimerBase::wall, deadline, {std::move(task), cancelled, this});
    return TaskHandle(std::move(cancelled));
}

} // namespace ostrel
