#include "platform/sim/VirtualTime.hpp"

#include "platform/TimerQueue.hpp"

#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

namespace ostrel {

namespace {

// Read by the observation writer's thread while the driving thread moves it.
class ManualClock final : public Clock {
public:
    ManualClock(Date wall, double boot) : wall_(wall), monotonic_(boot), boot_(boot) {}

    Date now() const override { return wall_.load(); }
    double monotonic() const override { return monotonic_.load(); }
    double boot() const override { return boot_.load(); }

    ClockReadings read() const { return {monotonic(), boot(), now()}; }
    void set(const ClockReadings& readings) {
        monotonic_.store(readings.monotonic);
        boot_.store(readings.boot);
        wall_.store(readings.wall);
    }
    void setWall(Date wall) { wall_.store(wall); }

private:
    std::atomic<double> wall_;
    std::atomic<double> monotonic_;
    std::atomic<double> boot_;
};

void requireDuration(double seconds, const char* what) {
    if (!std::isfinite(seconds) || seconds < 0) {
        throw std::invalid_argument(std::string(what) + ": a duration must be finite and not negative");
    }
}

// The executor a task of the driving thread belongs to while it runs.
thread_local const void* runningExecutor = nullptr;

} // namespace

struct VirtualTime::State {
    State(Date wall, double boot) : clock(wall, boot) {}

    ManualClock clock;
    mutable std::mutex lock; // guards queue: executors are posted to from any thread
    TimerQueue queue;
    std::vector<std::unique_ptr<Executor>> executors;
    std::vector<std::function<void()>> flushers;
    bool driving = false;

    class ManualExecutor;

    void push(TimerBase base, double deadline, TimerQueue::Entry entry) {
        std::lock_guard guard(lock);
        queue.push(base, deadline, std::move(entry));
    }

    // Runs everything due at the current readings; returns how many tasks ran.
    std::size_t runDue(std::size_t& budget) {
        std::size_t ran = 0;
        for (;;) {
            std::optional<TimerQueue::Entry> entry;
            {
                std::lock_guard guard(lock);
                entry = queue.popDue(clock.read());
            }
            if (!entry) {
                return ran;
            }
            if (entry->isCancelled()) { // cancelled from another thread since it was taken out
                continue;
            }
            if (budget == 0) {
                throw VirtualTimeError("virtual time does not settle: more than "
                                       + std::to_string(maxTasksPerInstant)
                                       + " tasks at one instant (a task re-posting itself?)");
            }
            --budget;
            ++ran;
            const void* outer = std::exchange(runningExecutor, entry->owner);
            struct Restore {
                const void* outer;
                ~Restore() { runningExecutor = outer; }
            } restore{outer};
            // Released before the next task, so that what it captured goes now, as it would after a
            // real executor ran it.
            const Task task = std::move(entry->task);
            entry.reset();
            task();
        }
    }

    // Rounds of due tasks, each followed by the flushers, until a round runs none.
    void settle() {
        std::size_t budget = maxTasksPerInstant;
        while (runDue(budget) > 0) {
            for (const auto& flusher : flushers) {
                flusher();
            }
        }
    }

    std::optional<TimerQueue::Next> next() {
        std::lock_guard guard(lock);
        return queue.next(clock.read());
    }
};

class VirtualTime::State::ManualExecutor final : public Executor {
public:
    ManualExecutor(State& state, std::string label) : state_(state), label_(std::move(label)) {}

    const std::string& label() const override { return label_; }
    const Clock& clock() const override { return state_.clock; }

    void post(Task task) override {
        state_.push(TimerBase::monotonic, state_.clock.monotonic(), {std::move(task), nullptr, this});
    }

    TaskHandle postAfter(double seconds, Task task, TimeBase base) override {
        if (std::isnan(seconds)) {
            throw std::invalid_argument("postAfter: delay is not a number");
        }
        seconds = std::max(seconds, 0.0);
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        if (base == TimeBase::boot) {
            state_.push(TimerBase::boot, state_.clock.boot() + seconds, {std::move(task), cancelled, this});
        } else {
            state_.push(TimerBase::monotonic, state_.clock.monotonic() + seconds,
                        {std::move(task), cancelled, this});
        }
        return TaskHandle(std::move(cancelled));
    }

    TaskHandle postAt(Date deadline, Task task) override {
        if (std::isnan(deadline)) {
            throw std::invalid_argument("postAt: deadline is not a number");
        }
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        state_.push(TimerBase::wall, deadline, {std::move(task), cancelled, this});
        return TaskHandle(std::move(cancelled));
    }

    bool isCurrent() const override { return runningExecutor == this; }

private:
    State& state_;
    std::string label_;
};


VirtualTime::VirtualTime(Date wall, double boot) : state_(std::make_unique<State>(wall, boot)) {}

VirtualTime::~VirtualTime() {
    // Tasks go before the executors they would run on.
    std::lock_guard guard(state_->lock);
    state_->queue.clear();
}

const Clock& VirtualTime::clock() const {
    return state_->clock;
}

Executor& VirtualTime::makeExecutor(const std::string& label) {
    auto executor = std::make_unique<State::ManualExecutor>(*state_, label);
    Executor& made = *executor;
    std::lock_guard guard(state_->lock);
    state_->executors.push_back(std::move(executor));
    return made;
}

void VirtualTime::addFlusher(std::function<void()> flusher) {
    state_->flushers.push_back(std::move(flusher));
}

namespace {

// Marks the driving thread busy for one call; a nested call would run tasks inside a task.
class Driving {
public:
    Driving(bool& driving, const char* what) : driving_(driving) {
        if (driving_) {
            throw VirtualTimeError(std::string(what) + " called while virtual time is already being driven");
        }
        driving_ = true;
    }
    ~Driving() { driving_ = false; }
    Driving(const Driving&) = delete;
    Driving& operator=(const Driving&) = delete;

private:
    bool& driving_;
};

} // namespace

void VirtualTime::settle() {
    const Driving driving(state_->driving, "settle()");
    state_->settle();
}

void VirtualTime::advance(double seconds) {
    requireDuration(seconds, "advance()");
    const Driving driving(state_->driving, "advance()");
    State& state = *state_;
    state.settle();
    // Awake time is measured on the monotonic clock, which only this call moves.
    const double end = state.clock.monotonic() + seconds;
    for (;;) {
        const ClockReadings now = state.clock.read();
        const double remaining = end - now.monotonic;
        const auto next = state.next();
        if (!next || next->delay > remaining) {
            if (remaining > 0) {
                state.clock.set({end, now.boot + remaining, now.wall + remaining});
            }
            state.settle();
            return;
        }
        if (next->delay > 0) {
            ClockReadings moved{now.monotonic + next->delay, now.boot + next->delay, now.wall + next->delay};
            // The timer's own clock reads exactly its deadline when it runs.
            switch (next->base) {
            case TimerBase::monotonic:
                moved.monotonic = next->deadline;
                break;
            case TimerBase::boot:
                moved.boot = next->deadline;
                break;
            case TimerBase::wall:
                moved.wall = next->deadline;
                break;
            }
            state.clock.set(moved);
        }
        state.settle();
    }
}

void VirtualTime::advanceTo(Date wall) {
    if (std::isnan(wall)) {
        throw std::invalid_argument("advanceTo(): wall time is not a number");
    }
    advance(std::max(0.0, wall - state_->clock.now()));
}

void VirtualTime::sleep(double seconds) {
    requireDuration(seconds, "sleep()");
    const Driving driving(state_->driving, "sleep()");
    State& state = *state_;
    state.settle();
    const ClockReadings now = state.clock.read();
    state.clock.set({now.monotonic, now.boot + seconds, now.wall + seconds});
    state.settle();
}

void VirtualTime::setWall(Date wall) {
    if (std::isnan(wall)) {
        throw std::invalid_argument("setWall(): wall time is not a number");
    }
    state_->clock.setWall(wall);
}

std::size_t VirtualTime::pending() const {
    std::lock_guard guard(state_->lock);
    return state_->queue.pending();
}

} // namespace ostrel
