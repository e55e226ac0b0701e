#include "platform/ThreadExecutor.hpp"

#include "core/foundation/Logger.hpp"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>

namespace ostrel {

namespace {

const Logger logger("runtime");

thread_local const ThreadExecutor* currentExecutor = nullptr;

// Longest single wait, so that a far deadline never overflows the condition variable's arithmetic.
constexpr double longestWait = 3600.0;

} // namespace

ThreadExecutor::ThreadExecutor(std::string label, const Clock& clock)
    : label_(std::move(label)), clock_(clock), thread_([this] { run(); }) {}

ThreadExecutor::~ThreadExecutor() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard guard(lock_);
    queue_.clear();
}

void ThreadExecutor::push(TimerBase base, double deadline, TimerQueue::Entry entry) {
    {
        std::lock_guard guard(lock_);
        queue_.push(base, deadline, std::move(entry));
    }
    wake_.notify_one();
}

bool ThreadExecutor::isCurrent() const {
    return currentExecutor == this;
}

void ThreadExecutor::run() {
    ::pthread_setname_np(::pthread_self(), label_.substr(0, 15).c_str());
    currentExecutor = this;
    std::unique_lock lock(lock_);
    for (;;) {
        const ClockReadings now = ClockReadings::of(clock_);
        if (auto entry = queue_.popDue(now)) {
            lock.unlock();
            if (entry->claim()) {
                try {
                    entry->task();
                } catch (const std::exception& error) {
                    logger.error("A task on %{public}s failed: %s", label_, error);
                } catch (...) {
                    logger.error("A task on %{public}s failed", label_);
                }
            }
            entry.reset(); // what it captured goes outside the lock
            lock.lock();
            continue;
        }
        if (stopping_) {
            return;
        }
        const auto next = queue_.next(now);
        if (!next) {
            wake_.wait(lock);
            continue;
        }
        double wait = std::min(next->delay, longestWait);
        if (next->base != TimerBase::monotonic) {
            wait = std::min(wait, recheckSeconds);
        }
        wake_.wait_for(lock, std::chrono::duration<double>(std::max(wait, 0.0)));
    }
}

} // namespace ostrel
