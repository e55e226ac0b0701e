#pragma once

#include "platform/Executor.hpp"
#include "platform/Runtime.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <chrono>
#include <string>

namespace ostrel::bench {

// The main executor of a virtual runtime, with the time its tasks take added up and the longest.
class TimedExecutor final : public Executor {
public:
    explicit TimedExecutor(Executor& inner) : inner_(inner) {}

    const std::string& label() const override { return inner_.label(); }
    const Clock& clock() const override { return inner_.clock(); }
    void post(Task task) override { inner_.post(timedTask(std::move(task))); }
    TaskHandle postAfter(double seconds, Task task, TimeBase base) override {
        return inner_.postAfter(seconds, timedTask(std::move(task)), base);
    }
    TaskHandle postAt(Date deadline, Task task) override {
        return inner_.postAt(deadline, timedTask(std::move(task)));
    }
    bool isCurrent() const override { return inner_.isCurrent(); }

    double seconds = 0; // all tasks
    double longest = 0; // the longest one task

private:
    Task timedTask(Task task) {
        return [this, task = std::move(task)] {
            const auto start = std::chrono::steady_clock::now();
            task();
            const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            seconds += took;
            longest = std::max(longest, took);
        };
    }

    Executor& inner_;
};

// A virtual runtime whose main executor is timed.
class TimedRuntime final : public Runtime {
public:
    explicit TimedRuntime(VirtualTime& time) : inner_(time), main_(inner_.main()) {}
    const Clock& clock() const override { return inner_.clock(); }
    Executor& main() override { return main_; }
    Executor& worker() override { return inner_.worker(); }
    Executor& queue(const std::string& label) override { return inner_.queue(label); }

    TimedExecutor& timedMain() { return main_; }

private:
    VirtualRuntime inner_;
    TimedExecutor main_;
};

} // namespace ostrel::bench
