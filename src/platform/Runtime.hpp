#pragma once

#include "platform/Clock.hpp"
#include "platform/Executor.hpp"

#include <string>

namespace ostrel {

// Where the application's services run: one clock, the main executor (every source's and the
// autopilot's home), a worker for background reads, and named serial queues
// ("Ostrel.accessibility", ...). The system runtime uses threads; the virtual one runs everything
// on the test's thread in virtual time.
class Runtime {
public:
    virtual ~Runtime() = default;

    virtual const Clock& clock() const = 0;
    virtual Executor& main() = 0;
    virtual Executor& worker() = 0;
    // The serial queue of that label, made on first use and kept for the runtime's life.
    virtual Executor& queue(const std::string& label) = 0;
};

} // namespace ostrel
