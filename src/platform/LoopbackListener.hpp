#pragma once

#include "platform/Executor.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace ostrel {

// One accepted connection of a LoopbackListener, after its one read.
class LoopbackConnection {
public:
    virtual ~LoopbackConnection() = default;
    // Sends bytes whole, then closes the connection. Failures are dropped: the peer may be gone.
    // Later calls do nothing.
    virtual void send(const std::string& bytes) = 0;
};

// A TCP listener on 127.0.0.1 at a port the system chooses, for a browser's redirect: each
// connection is read once, up to maxRead bytes, and handed over with what was read; the receiver
// answers it with send(). Handlers run on the executor given at construction, in the order things
// happened; after cancel() or a failure, no handler but the one cancelled/failed call runs.
//
// A connection whose peer sends nothing is handed over with an empty request once the peer closes
// or readWait passes, so a browser's idle pre-opened socket never holds up the others.
//
// Threading: start() and cancel() from any thread; the listener has its own thread, which ends
// when it is cancelled or destroyed. Destruction stops it and joins its thread without the
// cancelled call: once the destructor returns no handler runs (it waits for one running on another
// thread), so handlers may capture their owner. Destroying it from inside a handler is allowed.
class LoopbackListener {
public:
    static constexpr std::size_t maxRead = 16'384;
    static constexpr double readWait = 5; // seconds an accepted connection may take to send

    struct Handlers {
        std::function<void(int port)> ready;
        std::function<void(const std::string& error)> failed;
        std::function<void()> cancelled;
        std::function<void(std::shared_ptr<LoopbackConnection> connection, std::string request)> received;
    };

    LoopbackListener(Executor& executor, Handlers handlers);
    ~LoopbackListener();

    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // Binds and listens; ready or failed follows on the executor. Once.
    void start();
    // Stops listening; cancelled follows on the executor, unless the listener failed or was
    // cancelled already. Connections handed over stay usable.
    void cancel();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ostrel
