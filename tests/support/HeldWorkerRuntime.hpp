#pragma once

#include "platform/Runtime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <deque>
#include <stdexcept>
#include <string>

namespace ostrel::test {

// A runtime in virtual time whose worker holds what is posted to it until the test runs it, so a
// test can stand between a background read and its answer on main: the worker has read, main has
// not yet been told. Timers on the worker are not supported (nothing here needs them).
class HeldWorkerRuntime final : public Runtime {
public:
    explicit HeldWorkerRuntime(VirtualTime& time) : time_(time), main_(time.makeExecutor("main")), worker_(time) {}

    const Clock& clock() const override { return time_.clock(); }
    Executor& main() override { return main_; }
    Executor& worker() override { return worker_; }
    Executor& queue(const std::string&) override { return main_; }

    // Runs the held worker tasks, in the order posted, and what they post to the worker meanwhile.
    // Returns how many ran.
    int runWorker() { return worker_.runAll(); }
    std::size_t heldOnWorker() const { return worker_.held(); }

private:
    class HeldExecutor final : public Executor {
    public:
        explicit HeldExecutor(VirtualTime& time) : time_(time) {}
        const std::string& label() const override { return label_; }
        const Clock& clock() const override { return time_.clock(); }
        void post(Task task) override { tasks_.push_back(std::move(task)); }
        TaskHandle postAfter(double, Task, TimeBase) override { throw std::logic_error("no timers on the held worker"); }
        TaskHandle postAt(Date, Task) override { throw std::logic_error("no timers on the held worker"); }
        bool isCurrent() const override { return running_; }

        int runAll() {
            int ran = 0;
            while (!tasks_.empty()) {
                Task task = std::move(tasks_.front());
                tasks_.pop_front();
                running_ = true;
                task();
                running_ = false;
                ++ran;
            }
            return ran;
        }
        std::size_t held() const { return tasks_.size(); }

    private:
        VirtualTime& time_;
        std::string label_ = "held worker";
        std::deque<Task> tasks_;
        bool running_ = false;
    };

    VirtualTime& time_;
    Executor& main_;
    HeldExecutor worker_;
};

} // namespace ostrel::test
