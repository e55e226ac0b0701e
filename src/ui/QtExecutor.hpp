#pragma once

#include "platform/QueuedExecutor.hpp"
#include "platform/TimerQueue.hpp"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <string>

namespace ostrel::ui {

// The executor of the Qt main loop: its tasks run on the thread of the QCoreApplication, between
// the loop's other events. Tasks are posted from any thread and run in the order posted; timers
// run in deadline order (TimerQueue). One precise QTimer is armed for the earliest deadline. Qt
// timers follow the monotonic clock, which stops while the machine sleeps, so boot and wall
// deadlines are re-checked at least every recheckSeconds: a boot delay is not held back by sleep
// and a wall deadline never fires early, and at most about a second late.
//
// Make it after the QCoreApplication and destroy it on the main thread, never from one of its own
// tasks and with no other thread still posting to it. Destruction drops every task that has not
// run. A task that throws is logged and the loop goes on. A task that spins a nested loop (a modal
// dialog's exec()) lets later tasks run inside it, as the loop's own events do: tasks keep clear
// of nested loops.
class QtExecutor final : public QueuedExecutor {
public:
    static constexpr double recheckSeconds = 1.0;
    // Tasks run per turn of the loop, so that a task re-posting itself never starves painting and
    // input.
    static constexpr int tasksPerTurn = 64;

    QtExecutor(std::string label, const Clock& clock);
    ~QtExecutor() override;

    QtExecutor(const QtExecutor&) = delete;
    QtExecutor& operator=(const QtExecutor&) = delete;

    const std::string& label() const override { return label_; }
    const Clock& clock() const override { return clock_; }


    bool isCurrent() const override;

private:
    void push(TimerBase base, double deadline, TimerQueue::Entry entry) override;
    // On the main thread: runs what is due, then arms the timer for what is left.
    void runDue();
    void arm();

    const std::string label_;
    const Clock& clock_;
    std::mutex lock_;
    TimerQueue queue_;
    std::atomic<bool> wakePosted_ = false;
    QObject context_; // the receiver of queued wake-ups; ~QObject drops the ones not yet delivered
    QTimer timer_;
};

} // namespace ostrel::ui
