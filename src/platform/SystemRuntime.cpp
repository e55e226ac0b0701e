#include "platform/SystemRuntime.hpp"

namespace ostrel {

SystemRuntime::SystemRuntime() : main_("main", clock_), worker_("worker", clock_) {}

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
    return main_;
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
