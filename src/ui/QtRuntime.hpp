#pragma once

#include "platform/SystemRuntime.hpp"
#include "ui/QtExecutor.hpp"

#include <string>

namespace ostrel::ui {

// The application's runtime: the system clock, the Qt main loop as main() and threads for the
// worker and the named queues. Make it after the QCoreApplication and destroy it on the main thread
// before the application; destruction stops the named queues, then the worker, then drops what is
// left on main.
class QtRuntime final : public Runtime {
public:
    QtRuntime();

    const Clock& clock() const override { return runtime_.clock(); }
    Executor& main() override { return runtime_.main(); }
    Executor& worker() override { return runtime_.worker(); }
    Executor& queue(const std::string& label) override { return runtime_.queue(label); }

private:
    SystemRuntime runtime_;
};

} // namespace ostrel::ui
