#include "platform/LoopbackListener.hpp"

#include "platform/Clock.hpp"
#include "platform/ThreadExecutor.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// Generous: only a hung listener gets near it.
constexpr auto deadline = std::chrono::seconds(20);

// A browser stand-in: a raw TCP client of 127.0.0.1.
class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        connected_ = fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    // Whether the listener reset the connection rather than closing it.
    bool wasReset() const { return reset_; }

    void send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            ASSERT_GT(sent, 0);
            done += static_cast<std::size_t>(sent);
        }
    }
    void finishSending() { ::shutdown(fd_, SHUT_WR); }

    // Everything until the listener closes or resets the connection (a reset may cost bytes not
    // read yet); nothing when it did not close before the deadline.
    std::optional<std::string> readToEnd() {
        std::string bytes;
        const auto until = std::chrono::steady_clock::now() + deadline;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            pollfd fds{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fds, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char buffer[4096];
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got < 0) {
                reset_ = true;
            }
            if (got <= 0) {
                return bytes;
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool reset_ = false;
};

class LoopbackListenerTest : public ::testing::Test {
protected:
    SystemClock clock;
    ThreadExecutor executor{"Ostrel.loopback", clock};

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> events; // "ready", "failed: ...", "cancelled", "received"
    int port = 0;
    std::vector<std::pair<std::shared_ptr<LoopbackConnection>, std::string>> received;
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
    bool answerAtOnce = true;

    LoopbackListener::Handlers handlers() {
        auto note = [this](std::string event) {
            std::lock_guard guard(lock);
            events.push_back(std::move(event));
            changed.notify_all();
        };
        return {
            [this, note](int readyPort) {
                {
                    std::lock_guard guard(lock);
                    port = readyPort;
                }
                note("ready");
            },
            [note](const std::string& error) { note("failed: " + error); },
            [note] { note("cancelled"); },
            [this, note](std::shared_ptr<LoopbackConnection> connection, std::string request) {
                EXPECT_TRUE(executor.isCurrent());
                if (answerAtOnce) {
                    connection->send(answer);
                }
                {
                    std::lock_guard guard(lock);
                    received.emplace_back(std::move(connection), std::move(request));
                }
                note("received");
            },
        };
    }

    // Waits until `count` events were seen; the test fails when the deadline passes first.
    void waitForEvents(std::size_t count) {
        std::unique_lock guard(lock);
        ASSERT_TRUE(changed.wait_for(guard, deadline, [&] { return events.size() >= count; }))
            << "saw only " << events.size() << " of " << count << " events";
    }

    // Everything posted so far has run.
    void drain() {
        std::promise<void> done;
        auto future = done.get_future();
        executor.post([&] { done.set_value(); });
        ASSERT_EQ(future.wait_for(deadline), std::future_status::ready);
    }

    std::vector<std::string> seen() {
        std::lock_guard guard(lock);
        return events;
    }

    std::vector<std::string> requests() {
        std::lock_guard guard(lock);
        std::vector<std::string> texts;
        for (const auto& [connection, request] : received) {
            texts.push_back(request);
        }
        return texts;
    }

    int readyPort(LoopbackListener& listener) {
        listener.start();
        waitForEvents(1);
        EXPECT_THAT(seen(), ElementsAre("ready"));
        std::lock_guard guard(lock);
        return port;
    }
};

TEST_F(LoopbackListenerTest, ReadyGivesAPortWhoseConnectionGetsTheAnswer) {
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);
    ASSERT_GT(listening, 0);

    RawClient browser(listening);
    ASSERT_TRUE(browser.connected());
    browser.send("GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");

    EXPECT_EQ(browser.readToEnd(), answer);
    waitForEvents(2);
    EXPECT_THAT(requests(), ElementsAre("GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
}

TEST_F(LoopbackListenerTest, EachConnectionIsReadOnceAndHandedOverOnce) {
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);

    RawClient favicon(listening);
    RawClient callback(listening);
    favicon.send("GET /favicon.ico HTTP/1.1\r\n\r\n");
    callback.send("GET /?code=1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(favicon.readToEnd(), answer);
    EXPECT_EQ(callback.readToEnd(), answer);
    waitForEvents(3);
    drain();

    EXPECT_THAT(seen(), ElementsAre("ready", "received", "received"));
    EXPECT_THAT(requests(), UnorderedElementsAre("GET /favicon.ico HTTP/1.1\r\n\r\n", "GET /?code=1 HTTP/1.1\r\n\r\n"));
}

TEST_F(LoopbackListenerTest, LongRequestIsCutAtTheReadLimitAndStillAnswered) {
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);
    std::string request = "GET /?code=" + std::string(20'000, 'c') + " HTTP/1.1\r\n\r\n";

    RawClient browser(listening);
    browser.send(request);

    EXPECT_EQ(browser.readToEnd(), answer);
    // The unread rest of the request must not turn the close into a reset, which some browsers
    // report as a failed page even after the answer arrived.
    EXPECT_FALSE(browser.wasReset());
    waitForEvents(2);
    drain();
    EXPECT_THAT(seen(), ElementsAre("ready", "received"));
    EXPECT_THAT(requests(), ElementsAre(request.substr(0, LoopbackListener::maxRead)));
}

TEST_F(LoopbackListenerTest, PeerThatClosesWithoutSendingGivesAnEmptyRequest) {
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);

    RawClient browser(listening);
    browser.finishSending();

    waitForEvents(2);
    EXPECT_THAT(requests(), ElementsAre(""));
}

TEST_F(LoopbackListenerTest, CancelGivesCancelledOnceAndThenNothing) {
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);

    listener.cancel();
    listener.cancel();
    waitForEvents(2);
    // The socket closes on the listener's thread soon after: a connection may still slip in
    // before, but it is never answered.
    RawClient late(listening);
    if (late.connected()) {
        late.send("GET / HTTP/1.1\r\n\r\n");
        EXPECT_NE(late.readToEnd(), std::optional<std::string>(answer));
    }
    listener.start();
    drain();

    EXPECT_THAT(seen(), ElementsAre("ready", "cancelled"));
}

TEST_F(LoopbackListenerTest, CancelBeforeQueuedHandlersRunDropsThem) {
    LoopbackListener listener(executor, handlers());
    std::promise<void> release;
    std::promise<void> holding;
    executor.post([&, wait = release.get_future().share()] {
        holding.set_value();
        wait.wait();
    });
    holding.get_future().wait();

    listener.start(); // ready is queued behind the held task
    listener.cancel();
    release.set_value();
    waitForEvents(1);
    drain();

    EXPECT_THAT(seen(), ElementsAre("cancelled"));
}

TEST_F(LoopbackListenerTest, CancelBeforeStartNeverListens) {
    LoopbackListener listener(executor, handlers());
    listener.cancel();
    listener.start();
    waitForEvents(1);
    drain();

    EXPECT_THAT(seen(), ElementsAre("cancelled"));
}

TEST_F(LoopbackListenerTest, ConnectionHandedOverStaysUsableAfterCancel) {
    answerAtOnce = false;
    LoopbackListener listener(executor, handlers());
    const int listening = readyPort(listener);
    RawClient browser(listening);
    browser.send("GET /?code=1 HTTP/1.1\r\n\r\n");
    waitForEvents(2);

    listener.cancel();
    waitForEvents(3);
    std::shared_ptr<LoopbackConnection> connection;
    {
        std::lock_guard guard(lock);
        connection = received.front().first;
    }
    connection->send("late answer");
    connection->send("ignored");

    EXPECT_EQ(browser.readToEnd(), "late answer");
}

TEST_F(LoopbackListenerTest, DestroyWithAnOpenConnectionReturnsAndRunsNoHandler) {
    std::optional<LoopbackListener> listener(std::in_place, executor, handlers());
    const int listening = readyPort(*listener);
    RawClient silent(listening);
    ASSERT_TRUE(silent.connected());

    listener.reset(); // a connection still waiting for its request must not hold this up
    drain();

    EXPECT_THAT(seen(), ElementsAre("ready"));
    EXPECT_EQ(silent.readToEnd(), ""); // closed without an answer
}

TEST_F(LoopbackListenerTest, HandlerMayDestroyItsListener) {
    std::optional<LoopbackListener> listener;
    std::promise<int> ready;
    std::promise<void> finished;
    LoopbackListener::Handlers own;
    own.ready = [&](int readyPort) { ready.set_value(readyPort); };
    own.received = [&](std::shared_ptr<LoopbackConnection> connection, std::string) {
        connection->send(answer);
        listener.reset(); // the sign-in is over: its owner lets the listener go from here
        finished.set_value();
    };
    listener.emplace(executor, own);
    listener->start();
    auto readyPort = ready.get_future();
    ASSERT_EQ(readyPort.wait_for(deadline), std::future_status::ready);

    RawClient browser(readyPort.get());
    browser.send("GET /?code=1 HTTP/1.1\r\n\r\n");

    EXPECT_EQ(browser.readToEnd(), answer);
    EXPECT_EQ(finished.get_future().wait_for(deadline), std::future_status::ready);
    drain();
}

} // namespace
} // namespace ostrel
