#pragma once

#include "platform/Runtime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <map>
#include <mutex>
#include <string>

namespace ostrel {

// The runtime of tests and the simulator: every executor is a manual one of the given virtual
// time, so all of them run on the thread that drives it.
class VirtualRuntime final : public Runtime {
public:
    explicit VirtualRuntime(VirtualTime& time);

    const Clock& clock() const override;
    Executor& main() override;
    Executor& worker() override;
    Executor& queue(const std::string& label) override;

private:
    VirtualTime& time_;
    Executor& main_;
    Executor& worker_;
    std::mutex lock_;
    std::map<std::string, Executor*, std::less<>> queues_;
};

} // namespace ostrel
