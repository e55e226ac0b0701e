#include "platform/SystemRuntime.hpp"

#include <stdexcept>

namespace ostrel {

SystemRuntime::SystemRuntime()
    : SystemRuntime([](const Clock& clock) { return std::make_unique<ThreadExecutor>("main", clock); }) {}

SystemRuntime::SystemRuntime(const MainMaker& makeMain) : main_(makeMain(clock_)), worker_("worker", clock_) {
    if (!main_) {
        throw std::invalid_argument("SystemRuntime: no main executor");
    }
}

SystemRuntime::~SystemRuntime() {
    // Joined outside the lock: a draining task may still ask for a queue.
    decltype(queues_) queues;
    {
        std::lock_guard guard(lock_);
        queues.swap(queues_);
    }
    queues.clear();
}

const Clock& SystemRuntime::clock() const {
    return clock_;
}

Executor& SystemRuntime::main() {
    return *main_;
}

Executor& SystemRuntime::worker() {
    return worker_;
}

Executor& SystemRuntime::queue(const std::string& label) {
    std::lock_guard guard(lock_);
    auto found = queues_.find(label);
    if (found == queues_.end()) {
        found = queues_.emplace(label, std::make_unique<ThreadExecutor>(label, clock_)).first;
    }
    return *found->second;
}

} // namespace ostrel
