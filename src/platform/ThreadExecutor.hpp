#pragma once

#include "platform/QueuedExecutor.hpp"
#include "platform/TimerQueue.hpp"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace ostrel {

// A serial queue on a thread of its own, named after the label (cut to the 15 characters the
// system keeps). Timers wait on a condition variable, which follows the monotonic clock; boot and
// wall deadlines re-check the clock at least every recheckSeconds, since such a wait follows
// neither a suspend nor a change of the wall clock: a wall deadline never fires early and at most
// about a second late.
//
// Destruction runs what is already posted and whatever timers are due, and what those post, then
// joins; timers not yet due are dropped without running. Never destroy it from one of its own tasks.
// A task that throws is logged and the queue goes on.
class ThreadExecutor final : public QueuedExecutor {
public:
    static constexpr double recheckSeconds = 1.0;

    ThreadExecutor(std::string label, const Clock& clock);
    ~ThreadExecutor() override;

    ThreadExecutor(const ThreadExecutor&) = delete;
    ThreadExecutor& operator=(const ThreadExecutor&) = delete;

    const std::string& label() const override { return label_; }
    const Clock& clock() const override { return clock_; }


    bool isCurrent() const override;

private:
    void push(TimerBase base, double deadline, TimerQueue::Entry entry) override;
    void run();

    const std::string label_;
    const Clock& clock_;
    std::mutex lock_;
    std::condition_variable wake_;
    TimerQueue queue_;
    bool stopping_ = false;
    std::thread thread_; // last: starts once everything above is ready
};

} // namespace ostrel
