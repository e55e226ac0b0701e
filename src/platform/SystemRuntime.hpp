#pragma once

#include "platform/Runtime.hpp"
#include "platform/ThreadExecutor.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace ostrel {

// The machine's runtime: the system clock and a thread for each executor. In the application the
// main executor will be the Qt event loop instead of a thread of its own; until then it is a
// ThreadExecutor labelled "main". Destruction stops the named queues first, then the worker, then
// main, each running what was already posted to it.
class SystemRuntime final : public Runtime {
public:
    SystemRuntime();
    ~SystemRuntime() override;

    const Clock& clock() const override;
    Executor& main() override;
    Executor& worker() override;
    Executor& queue(const std::string& label) override;

private:
    SystemClock clock_;
    ThreadExecutor main_;
    ThreadExecutor worker_;
    std::mutex lock_;
    std::map<std::string, std::unique_ptr<ThreadExecutor>, std::less<>> queues_;
};

} // namespace ostrel
