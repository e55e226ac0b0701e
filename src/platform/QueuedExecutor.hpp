#pragma once

#include "platform/Executor.hpp"
#include "platform/TimerQueue.hpp"

namespace ostrel {

// An executor whose tasks wait in a TimerQueue: post, postAfter and postAt become entries with a
// deadline on the right clock, and the subclass keeps the queue and wakes whatever runs it (a
// thread of its own, the Qt main loop).
class QueuedExecutor : public Executor {
public:
    void post(Task task) override;
    // Throws std::invalid_argument for a delay that is not a number; a negative one is no delay.
    TaskHandle postAfter(double seconds, Task task, TimeBase base = TimeBase::monotonic) override;
    // Throws std::invalid_argument for a deadline that is not a number.
    TaskHandle postAt(Date deadline, Task task) override;

protected:
    // Queues entry, due when the base's clock reads deadline; safe from any thread.
    virtual void push(TimerBase base, double deadline, TimerQueue::Entry entry) = 0;
};

} // namespace ostrel
