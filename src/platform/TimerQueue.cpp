#include "platform/TimerQueue.hpp"

namespace ostrel {

double ClockReadings::on(TimerBase base) const {
    switch (base) {
    case TimerBase::monotonic:
        return monotonic;
    case TimerBase::boot:
        return boot;
    case TimerBase::wall:
        return wall;
    }
    return monotonic;
}

ClockReadings ClockReadings::of(const Clock& clock) {
    return {clock.monotonic(), clock.boot(), clock.now()};
}

void TimerQueue::push(TimerBase base, double deadline, Entry entry) {
    line(base).emplace(Key{deadline, sequence_++}, std::move(entry));
}

void TimerQueue::dropCancelledFronts() {
    for (auto& queued : lines_) {
        while (!queued.empty() && queued.begin()->second.isCancelled()) {
            queued.erase(queued.begin());
        }
    }
}

std::optional<TimerQueue::Entry> TimerQueue::popDue(const ClockReadings& now) {
    dropCancelledFronts();
    std::map<Key, Entry>* best = nullptr;
    double bestOverdue = 0;
    for (int index = 0; index < 3; ++index) {
        auto& queued = lines_[index];
        if (queued.empty()) {
            continue;
        }
        const Key& key = queued.begin()->first;
        const double overdue = now.on(static_cast<TimerBase>(index)) - key.first;
        if (overdue < 0) {
            continue;
        }
        if (best == nullptr || overdue > bestOverdue
            || (overdue == bestOverdue && key.second < best->begin()->first.second)) {
            best = &queued;
            bestOverdue = overdue;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    auto node = best->extract(best->begin());
    return std::move(node.mapped());
}

std::optional<TimerQueue::Next> TimerQueue::next(const ClockReadings& now) {
    dropCancelledFronts();
    std::optional<Next> soonest;
    for (int index = 0; index < 3; ++index) {
        const auto& queued = lines_[index];
        if (queued.empty()) {
            continue;
        }
        const auto base = static_cast<TimerBase>(index);
        const double deadline = queued.begin()->first.first;
        const double delay = deadline - now.on(base);
        if (!soonest || delay < soonest->delay) {
            soonest = Next{delay, base, deadline};
        }
    }
    return soonest;
}

std::size_t TimerQueue::pending() const {
    std::size_t count = 0;
    for (const auto& queued : lines_) {
        for (const auto& [key, entry] : queued) {
            count += entry.isCancelled() ? 0 : 1;
        }
    }
    return count;
}

void TimerQueue::clear() {
    for (auto& queued : lines_) {
        queued.clear();
    }
}

} // namespace ostrel
