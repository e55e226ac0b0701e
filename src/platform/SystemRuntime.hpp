#pragma once

#include "platform/Runtime.hpp"
#include "platform/ThreadExecutor.hpp"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace ostrel {

// The machine's runtime: the system clock, a main executor, and a thread for the worker and for
// each named queue. The main executor is a ThreadExecutor labelled "main" unless the maker gives
// another (the application's is the Qt main loop). Destruction stops the named queues first, then
// the worker, then main; each thread runs what was already posted to it.
class SystemRuntime final : public Runtime {
public:
    // Makes the main executor over the runtime's clock, which outlives it.
    using MainMaker = std::function<std::unique_ptr<Executor>(const Clock& clock)>;

    SystemRuntime();
    explicit SystemRuntime(const MainMaker& makeMain);
    ~SystemRuntime() override;

    const Clock& clock() const override;
    Executor& main() override;
    Executor& worker() override;
    Executor& queue(const std::string& label) override;

private:
    SystemClock clock_;
    std::unique_ptr<Executor> main_;
    ThreadExecutor worker_;
    std::mutex lock_;
    std::map<std::string, std::unique_ptr<ThreadExecutor>, std::less<>> queues_;
};

} // namespace ostrel
