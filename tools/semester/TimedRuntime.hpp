#pragma once

#include "platform/Executor.hpp"
#include "platform/Runtime.hpp"

#include <chrono>
#include <functional>
#include <vector>

namespace ostrel::semester {

// An executor whose tasks report their running time (wall clock, seconds) as they end.
class TimedExecutor final : public Executor {
public:
    using Took = std::function<void(double seconds)>;

    TimedExecutor(Executor& inner, Took took) : inner_(inner), took_(std::move(took)) {}

    const std::string& label() const override { return inner_.label(); }
    const Clock& clock() const override { return inner_.clock(); }
    void post(Task task) override { inner_.post(timed(std::move(task))); }
    TaskHandle postAfter(double seconds, Task task, TimeBase base) override {
        return inner_.postAfter(seconds, timed(std::move(task)), base);
    }
    TaskHandle postAt(Date deadline, Task task) override { return inner_.postAt(deadline, timed(std::move(task))); }
    bool isCurrent() const override { return inner_.isCurrent(); }

private:
    Task timed(Task task) {
        return [this, task = std::move(task)] {
            const auto start = std::chrono::steady_clock::now();
            task();
            took_(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        };
    }

    Executor& inner_;
    Took took_;
};

// A runtime whose main executor and worker are timed: what the application's main thread spent,
// and each task of the worker (the planning passes) on its own. Named queues are not timed.
class TimedRuntime final : public Runtime {
public:
    explicit TimedRuntime(Runtime& inner) : inner_(inner) {}

    const Clock& clock() const override { return inner_.clock(); }
    Executor& main() override { return main_; }
    Executor& worker() override { return worker_; }
    Executor& queue(const std::string& label) override { return inner_.queue(label); }

    double mainSpent = 0;
    double workerSpent = 0;
    std::vector<double> workerTasks; // seconds, in the order they ran

private:
    Runtime& inner_;
    TimedExecutor main_{inner_.main(), [this](double seconds) { mainSpent += seconds; }};
    TimedExecutor worker_{inner_.worker(), [this](double seconds) {
                              workerSpent += seconds;
                              workerTasks.push_back(seconds);
                          }};
};

} // namespace ostrel::semester
