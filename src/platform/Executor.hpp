#pragma once

#include "core/foundation/Date.hpp"
#include "platform/Clock.hpp"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace ostrel {

using Task = std::function<void()>;

// Which clock a delay is measured on: monotonic delays are held back by sleep (a 1 s debounce
// stays 1 s of awake time), boot delays are not (a daily chore runs a day after, asleep or not).
enum class TimeBase { monotonic, boot };

// A scheduled task's handle. Destroying it cancels the task unless detach() was called; a
// cancelled task never runs. The executor sets the shared flag when the task starts, so a handle
// whose task has run no longer reads as scheduled. Movable, not copyable. Safe to cancel from any
// thread; cancelling from inside the task itself is allowed.
class TaskHandle {
public:
    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<std::atomic<bool>> cancelled) : cancelled_(std::move(cancelled)) {}
    ~TaskHandle() { cancel(); }

    TaskHandle(TaskHandle&& other) noexcept = default;
    TaskHandle& operator=(TaskHandle&& other) noexcept {
        if (this != &other) {
            cancel();
            cancelled_ = std::move(other.cancelled_);
        }
        return *this;
    }
    TaskHandle(const TaskHandle&) = delete;
    TaskHandle& operator=(const TaskHandle&) = delete;

    void cancel() {
        if (cancelled_) {
            cancelled_->store(true);
            cancelled_.reset();
        }
    }
    // Lets the task run even after this handle is gone.
    void detach() { cancelled_.reset(); }
    // True until the task starts or is cancelled.
    bool isScheduled() const { return cancelled_ != nullptr && !cancelled_->load(); }

private:
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

// Runs tasks one at a time, in order: the main loop, a named serial queue, a worker. Tasks posted
// together run in the order posted; due timers run in deadline order, then in the order posted.
// Every member is safe to call from any thread.
class Executor {
public:
    virtual ~Executor() = default;

    virtual const std::string& label() const = 0;
    virtual const Clock& clock() const = 0;

    // Runs task soon, after what is already posted.
    virtual void post(Task task) = 0;
    // Runs task once `seconds` have passed on the given clock.
    virtual TaskHandle postAfter(double seconds, Task task, TimeBase base = TimeBase::monotonic) = 0;
    // Runs task once the wall clock reads `deadline` or later: never early, and at most a few
    // seconds late after the machine slept through it or the clock was set.
    virtual TaskHandle postAt(Date deadline, Task task) = 0;

    // True while one of this executor's tasks runs on the calling thread.
    virtual bool isCurrent() const = 0;
};

// Makes callbacks that do nothing once their owner is gone. The owner declares its guard last, so
// that it is destroyed first: destroying it waits for a wrapped callback running on another thread
// to finish, and every later call of a wrapped callback does nothing.
class LifetimeGuard {
public:
    LifetimeGuard() : state_(std::make_shared<State>()) {}
    ~LifetimeGuard() { invalidate(); }

    LifetimeGuard(const LifetimeGuard&) = delete;
    LifetimeGuard& operator=(const LifetimeGuard&) = delete;

    // From now on wrapped callbacks do nothing; waits for one running elsewhere.
    void invalidate() {
        std::lock_guard guard(state_->lock);
        state_->alive = false;
    }

    // A callback that calls function with its arguments while the owner lives.
    template <class Function>
    auto wrap(Function function) const {
        return [state = state_, function = std::move(function)](auto&&... arguments) mutable {
            std::lock_guard guard(state->lock);
            if (state->alive) {
                function(std::forward<decltype(arguments)>(arguments)...);
            }
        };
    }

private:
    struct State {
        std::recursive_mutex lock; // a wrapped callback may call another of the same owner
        bool alive = true;
    };
    std::shared_ptr<State> state_;
};

} // namespace ostrel
