#include "platform/sim/VirtualRuntime.hpp"

namespace ostrel {

VirtualRuntime::VirtualRuntime(VirtualTime& time)
    : time_(time), main_(time.makeExecutor("main")), worker_(time.makeExecutor("worker")) {}

const Clock& VirtualRuntime::clock() const {
    return time_.clock();
}

Executor& VirtualRuntime::main() {
    return main_;
}

Executor& VirtualRuntime::worker() {
    return worker_;
}

Executor& VirtualRuntime::queue(const std::string& label) {
    std::lock_guard guard(lock_);
    auto found = queues_.find(label);
    if (found == queues_.end()) {
        found = queues_.emplace(label, &time_.makeExecutor(label)).first;
    }
    return *found->second;
}

} // namespace ostrel
