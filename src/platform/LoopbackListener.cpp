#include "platform/LoopbackListener.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace ostrel {
namespace {

using Steady = std::chrono::steady_clock;

// How long send() may wait for a peer that does not read.
constexpr timeval sendWait{5, 0};
// At most this much of a request past the one read is discarded before closing.
constexpr std::size_t maxDrain = 1 << 20;

std::string errnoText(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

class SocketConnection final : public LoopbackConnection {
public:
    explicit SocketConnection(int fd) : fd_(fd) {}
    ~SocketConnection() override { closeNow(); }

    void send(const std::string& bytes) override {
        std::lock_guard guard(lock_);
        if (fd_ < 0) {
            return;
        }
        std::string_view rest(bytes);
        while (!rest.empty()) {
            const ssize_t sent = ::send(fd_, rest.data(), rest.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent <= 0) {
                break; // the peer is gone or stopped reading past sendWait
            }
            rest.remove_prefix(static_cast<std::size_t>(sent));
        }
        ::shutdown(fd_, SHUT_WR);
        // Unread request bytes left at close() turn the close into a reset, which may cost the
        // peer the answer it has not read yet: discard what has already arrived first.
        char scratch[4096];
        for (std::size_t drained = 0; drained < maxDrain;) {
            const ssize_t got = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
            if (got <= 0) {
                break;
            }
            drained += static_cast<std::size_t>(got);
        }
        closeLocked();
    }

private:
    void closeNow() {
        std::lock_guard guard(lock_);
        closeLocked();
    }
    void closeLocked() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    std::mutex lock_;
    int fd_;
};

// An accepted connection waiting for its one read.
struct Pending {
    int fd;
    Steady::time_point deadline;
};

} // namespace

struct LoopbackListener::State : std::enable_shared_from_this<State> {
    State(Executor& executor, Handlers handlers) : executor(executor), handlers(std::move(handlers)) {}
    ~State() {
        if (wake >= 0) {
            ::close(wake);
        }
    }

    Executor& executor;
    const Handlers handlers;

    // Guards the handlers' lives: held while one runs, taken by the destructor to end them.
    std::recursive_mutex handlerLock;
    bool alive = true;

    std::mutex lock;
    bool started = false;
    bool over = false; // cancelled or failed: the one final call is posted
    int wake = -1;
    std::thread thread;

    // Posts a handler call that runs unless the listener is over by then (or gone).
    void post(std::function<void(const Handlers&)> call) {
        executor.post([self = shared_from_this(), call = std::move(call)] {
            std::lock_guard handlerGuard(self->handlerLock);
            {
                std::lock_guard guard(self->lock);
                if (self->over) {
                    return;
                }
            }
            if (self->alive) {
                call(self->handlers);
            }
        });
    }

    // Ends the listener once: only the first caller posts its final call. Returns whether it was first.
    bool finish(std::function<void(const Handlers&)> call) {
        {
            std::lock_guard guard(lock);
            if (over) {
                return false;
            }
            over = true;
            if (wake >= 0) {
                const std::uint64_t one = 1;
                (void)!::write(wake, &one, sizeof one);
            }
        }
        executor.post([self = shared_from_this(), call = std::move(call)] {
            std::lock_guard handlerGuard(self->handlerLock);
            if (self->alive) {
                call(self->handlers);
            }
        });
        return true;
    }

    void fail(const std::string& error) {
        finish([error](const Handlers& handlers) {
            if (handlers.failed) {
                handlers.failed(error);
            }
        });
    }

    bool isOver() {
        std::lock_guard guard(lock);
        return over;
    }

    void hand(int fd, std::string request) {
        auto connection = std::make_shared<SocketConnection>(fd);
        post([connection, request = std::move(request)](const Handlers& handlers) {
            if (handlers.received) {
                handlers.received(connection, request);
            }
        });
    }

    void run(int listener);
};

void LoopbackListener::State::run(int listener) {
    std::vector<Pending> pending;
    auto closeAll = [&] {
        for (const auto& connection : pending) {
            ::close(connection.fd);
        }
        ::close(listener);
    };

    for (;;) {
        std::vector<pollfd> fds{{wake, POLLIN, 0}, {listener, POLLIN, 0}};
        int timeout = -1; // no connection waiting: only cancel or a new connection wakes us
        const auto now = Steady::now();
        for (const auto& connection : pending) {
            fds.push_back({connection.fd, POLLIN, 0});
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(connection.deadline - now).count();
            timeout = timeout < 0 ? static_cast<int>(std::max<long>(left, 0))
                                  : std::min(timeout, static_cast<int>(std::max<long>(left, 0)));
        }
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            const int error = errno;
            closeAll();
            fail(errnoText("poll", error));
            return;
        }
        if (fds[0].revents != 0 || isOver()) {
            closeAll();
            return;
        }
        if (ready < 0) {
            continue; // interrupted
        }

        // Read each connection that has something (or has closed), in the order they came;
        // one whose wait ran out is handed over with nothing read.
        const auto checked = Steady::now();
        std::vector<Pending> still;
        for (std::size_t index = 0; index < pending.size(); ++index) {
            const auto& connection = pending[index];
            if (fds[index + 2].revents != 0) {
                std::string request(maxRead, '\0');
                ssize_t got;
                do {
                    got = ::recv(connection.fd, request.data(), request.size(), 0);
                } while (got < 0 && errno == EINTR);
                request.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
                hand(connection.fd, std::move(request));
            } else if (connection.deadline <= checked) {
                hand(connection.fd, {});
            } else {
                still.push_back(connection);
            }
        }
        pending.swap(still);

        if (fds[1].revents & (POLLERR | POLLNVAL)) {
            closeAll();
            fail("listening socket failed");
            return;
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendWait, sizeof sendWait);
                pending.push_back({fd, Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                                    std::chrono::duration<double>(readWait))});
            } else if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED && errno != EPROTO) {
                // Out of descriptors or memory: the sign-in cannot go on through this listener.
                const int error = errno;
                closeAll();
                fail(errnoText("accept", error));
                return;
            }
        }
    }
}

LoopbackListener::LoopbackListener(Executor& executor, Handlers handlers)
    : state_(std::make_shared<State>(executor, std::move(handlers))) {}

LoopbackListener::~LoopbackListener() {
    {
        // Waits for a handler running on another thread; afterwards none runs.
        std::lock_guard handlerGuard(state_->handlerLock);
        state_->alive = false;
    }
    cancel();
    std::thread thread;
    {
        std::lock_guard guard(state_->lock);
        thread.swap(state_->thread);
    }
    if (thread.joinable()) {
        thread.join();
    }
}

void LoopbackListener::start() {
    std::lock_guard guard(state_->lock);
    if (state_->started || state_->over) {
        return;
    }
    state_->started = true;

    auto failNow = [&](const std::string& error) {
        state_->over = true;
        state_->executor.post([self = state_, error] {
            std::lock_guard handlerGuard(self->handlerLock);
            if (self->alive && self->handlers.failed) {
                self->handlers.failed(error);
            }
        });
    };

    state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state_->wake < 0) {
        failNow(errnoText("eventfd", errno));
        return;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) {
        failNow(errnoText("socket", errno));
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        const int error = errno;
        ::close(listener);
        failNow(errnoText("listen on 127.0.0.1", error));
        return;
    }
    const int port = ntohs(address.sin_port);
    state_->post([port](const Handlers& handlers) {
        if (handlers.ready) {
            handlers.ready(port);
        }
    });
    state_->thread = std::thread([self = state_.get(), listener] { self->run(listener); });
}

void LoopbackListener::cancel() {
    state_->finish([](const Handlers& handlers) {
        if (handlers.cancelled) {
            handlers.cancelled();
        }
    });
}

} // namespace ostrel
