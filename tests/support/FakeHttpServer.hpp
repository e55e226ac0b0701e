#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <condition_variable>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ostrel::test {

// One request as the fake server read it.
struct RecordedRequest {
    std::string method;
    std::string target; // path with query, as sent
    std::vector<std::pair<std::string, std::string>> headers; // in the order sent
    std::string body;

    // The path without the query.
    std::string path() const;
    // The query without "?", empty when there is none.
    std::string query() const;
    // The first header of that name (compared without case), if any.
    std::optional<std::string> header(const std::string& name) const;
};

// What the fake does with a request once it has read it.
struct FakeReply {
    enum class Kind {
        answer,    // status, headers, body, then close
        stall,     // never answer; hold the connection until the peer goes or the server stops
        hangUp,    // close without a byte
        raw,       // send `body` as it is (not HTTP), then close
        truncated, // send the head announcing `declaredLength` bytes, then only `body`, then close
    };

    Kind kind = Kind::answer;
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers; // Content-Length is added
    std::string body;
    std::size_t declaredLength = 0; // truncated only
    // How long to wait before doing any of the above; the server stopping ends the wait, and the
    // connection is then closed without an answer.
    std::chrono::milliseconds delay{0};

    static FakeReply json(int status, std::string body);
    static FakeReply text(int status, std::string body);
    static FakeReply redirect(int status, std::string location);
    static FakeReply stall();
    static FakeReply hangUp();
    static FakeReply raw(std::string bytes);
    static FakeReply truncated(int status, std::string partialBody, std::size_t declaredLength);
};

// An HTTP/1.1 server on 127.0.0.1 at a port the system chooses (or a given one), on threads of its
// own, for tests and the developer tool's model server.
// Replies are scripted per method and path (the query is not part of the route): queued replies
// are used once each, in order; when a route's queue is empty its handler answers, and without a
// handler the fake answers 404. Every request is recorded before it is answered.
//
// Each connection carries one request and is closed after its reply. A request whose head or body
// does not arrive within ioTimeout is dropped unrecorded; a stall ends when the peer closes, the
// server stops, or stallLimit passes, so nothing waits without a bound. stop() (and the
// destructor) wakes every thread and joins them.
class FakeHttpServer {
public:
    using Handler = std::function<FakeReply(const RecordedRequest&)>;

    static constexpr std::chrono::milliseconds ioTimeout{10'000};
    static constexpr std::chrono::milliseconds stallLimit{60'000};

    // port 0: the system chooses. Throws std::system_error when the port cannot be had.
    explicit FakeHttpServer(int port = 0);
    ~FakeHttpServer();

    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT", no slash at the end.
    std::string baseUrl() const;

    // Queues one reply for method and path.
    void enqueue(const std::string& method, const std::string& path, FakeReply reply);
    // Answers method and path whenever its queue is empty.
    void route(const std::string& method, const std::string& path, Handler handler);
    // The same reply every time.
    void always(const std::string& method, const std::string& path, FakeReply reply);

    std::vector<RecordedRequest> requests() const;
    // Waits until at least count requests were recorded; false when timeout passed first.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Queued replies not used yet, over every route.
    std::size_t unusedReplies() const;

    // Ends stalls, joins every thread and closes the port, so later connections are refused.
    // Idempotent.
    void stop();

private:
    void acceptLoop();
    void serve(int connection);
    FakeReply replyFor(const RecordedRequest& request);
    bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline) const;
    bool isStopped() const;

    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;

    mutable std::mutex lock_;
    mutable std::condition_variable recorded_;
    std::map<std::pair<std::string, std::string>, std::deque<FakeReply>> queues_;
    std::map<std::pair<std::string, std::string>, Handler> handlers_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> connections_;
    bool stopped_ = false;
    std::thread acceptor_;
};

} // namespace ostrel::test
