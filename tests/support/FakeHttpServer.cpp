#include "support/FakeHttpServer.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace ostrel::test {
namespace {

constexpr std::size_t maxHead = 64 * 1024;
constexpr std::size_t maxBody = 64 * 1024 * 1024;

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

void sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return; // the peer went away; nothing to tell it
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string head(int status, const std::vector<std::pair<std::string, std::string>>& headers,
                 std::size_t length) {
    std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    for (const auto& [name, value] : headers) {
        text += name + ": " + value + "\r\n";
    }
    text += "Content-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
    return text;
}

} // namespace

std::string RecordedRequest::path() const { return target.substr(0, target.find('?')); }

std::string RecordedRequest::query() const {
    const auto mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

std::optional<std::string> RecordedRequest::header(const std::string& name) const {
    const std::string wanted = lower(name);
    for (const auto& [key, value] : headers) {
        if (lower(key) == wanted) {
            return value;
        }
    }
    return std::nullopt;
}

FakeReply FakeReply::json(int status, std::string body) {
    return {Kind::answer, status, {{"Content-Type", "application/json"}}, std::move(body), 0};
}

FakeReply FakeReply::text(int status, std::string body) {
    return {Kind::answer, status, {{"Content-Type", "text/plain"}}, std::move(body), 0};
}

FakeReply FakeReply::redirect(int status, std::string location) {
    return {Kind::answer, status, {{"Location", std::move(location)}}, {}, 0};
}

FakeReply FakeReply::stall() { return {Kind::stall, 0, {}, {}, 0}; }

FakeReply FakeReply::hangUp() { return {Kind::hangUp, 0, {}, {}, 0}; }

FakeReply FakeReply::raw(std::string bytes) { return {Kind::raw, 0, {}, std::move(bytes), 0}; }

FakeReply FakeReply::truncated(int status, std::string partialBody, std::size_t declaredLength) {
    if (declaredLength <= partialBody.size()) {
        throw std::invalid_argument("a truncated reply announces more than it sends");
    }
    return {Kind::truncated, status, {{"Content-Type", "application/json"}}, std::move(partialBody), declaredLength};
}

FakeHttpServer::FakeHttpServer(int port) {
    if (port < 0 || port > 65535) {
        throw std::invalid_argument("a port is a number from 0 to 65535");
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        fail("pipe2");
    }
    wakeRead_ = pipeEnds[0];
    wakeWrite_ = pipeEnds[1];

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        fail("socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        const int error = errno;
        ::close(listener_);
        ::close(wakeRead_);
        ::close(wakeWrite_);
        throw std::system_error(error, std::generic_category(), "fake server listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FakeHttpServer::~FakeHttpServer() {
    stop();
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string FakeHttpServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

void FakeHttpServer::enqueue(const std::string& method, const std::string& path, FakeReply reply) {
    std::lock_guard guard(lock_);
    queues_[{method, path}].push_back(std::move(reply));
}

void FakeHttpServer::route(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard guard(lock_);
    handlers_[{method, path}] = std::move(handler);
}

void FakeHttpServer::always(const std::string& method, const std::string& path, FakeReply reply) {
    route(method, path, [reply = std::move(reply)](const RecordedRequest&) { return reply; });
}

std::vector<RecordedRequest> FakeHttpServer::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

bool FakeHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock guard(lock_);
    return recorded_.wait_for(guard, timeout, [&] { return requests_.size() >= count; });
}

std::size_t FakeHttpServer::unusedReplies() const {
    std::lock_guard guard(lock_);
    std::size_t count = 0;
    for (const auto& [route, queue] : queues_) {
        count += queue.size();
    }
    return count;
}

void FakeHttpServer::stop() {
    {
        std::lock_guard guard(lock_);
        if (stopped_) {
            return;
        }
        stopped_ = true;
    }
    // Never read: once written, the pipe stays readable and wakes every waiting thread.
    const char byte = 0;
    while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    std::vector<std::thread> threads;
    {
        std::lock_guard guard(lock_);
        threads.swap(connections_);
    }
    for (auto& thread : threads) {
        thread.join();
    }
    // Later connections are refused rather than left waiting in the backlog.
    ::close(listener_);
    listener_ = -1;
}

bool FakeHttpServer::isStopped() const {
    std::lock_guard guard(lock_);
    return stopped_;
}

bool FakeHttpServer::waitReadable(int fd, std::chrono::steady_clock::time_point deadline) const {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || fds[1].revents != 0) {
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
    }
}

void FakeHttpServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        // Bounded by stop(), which wakes this poll through the pipe.
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || fds[1].revents != 0) {
            return;
        }
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        std::lock_guard guard(lock_);
        if (stopped_) {
            ::close(connection);
            return;
        }
        connections_.emplace_back([this, connection] {
            serve(connection);
            ::close(connection);
        });
    }
}

FakeReply FakeHttpServer::replyFor(const RecordedRequest& request) {
    Handler handler;
    {
        std::lock_guard guard(lock_);
        const std::pair key{request.method, request.path()};
        if (auto queue = queues_.find(key); queue != queues_.end() && !queue->second.empty()) {
            FakeReply reply = std::move(queue->second.front());
            queue->second.pop_front();
            return reply;
        }
        if (auto found = handlers_.find(key); found != handlers_.end()) {
            handler = found->second;
        }
    }
    if (!handler) {
        return FakeReply::text(404, "no route for " + request.method + " " + request.path());
    }
    try {
        return handler(request); // outside the lock: a handler may script the next reply
    } catch (const std::exception& error) {
        return FakeReply::text(500, std::string("fake handler threw: ") + error.what());
    }
}

void FakeHttpServer::serve(int connection) {
    const auto deadline = std::chrono::steady_clock::now() + ioTimeout;
    std::string data;
    char buffer[16 * 1024];
    auto readMore = [&] {
        if (!waitReadable(connection, deadline)) {
            return false;
        }
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(got));
        return true;
    };

    std::size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > maxHead || !readMore()) {
            return;
        }
    }

    RecordedRequest request;
    std::string_view headText(data.data(), headEnd);
    auto lineEnd = headText.find("\r\n");
    const std::string_view requestLine = headText.substr(0, lineEnd);
    const auto firstSpace = requestLine.find(' ');
    const auto secondSpace = requestLine.find(' ', firstSpace + 1);
    if (firstSpace == std::string_view::npos || secondSpace == std::string_view::npos) {
        sendAll(connection, head(400, {}, 0));
        return;
    }
    request.method = std::string(requestLine.substr(0, firstSpace));
    request.target = std::string(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    while (lineEnd != std::string_view::npos) {
        headText.remove_prefix(lineEnd + 2);
        lineEnd = headText.find("\r\n");
        const std::string_view line = headText.substr(0, lineEnd);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            request.headers.emplace_back(std::string(line.substr(0, colon)), trim(line.substr(colon + 1)));
        }
    }

    std::size_t length = 0;
    if (auto declared = request.header("Content-Length")) {
        length = std::stoull(*declared);
        if (length > maxBody) {
            sendAll(connection, head(413, {}, 0));
            return;
        }
    }
    if (auto expect = request.header("Expect"); expect && lower(*expect) == "100-continue") {
        sendAll(connection, "HTTP/1.1 100 Continue\r\n\r\n");
    }
    const std::size_t bodyStart = headEnd + 4;
    while (data.size() - bodyStart < length) {
        if (!readMore()) {
            return;
        }
    }
    request.body = data.substr(bodyStart, length);

    {
        std::lock_guard guard(lock_);
        requests_.push_back(request);
    }
    recorded_.notify_all();

    const FakeReply reply = replyFor(request);
    if (reply.delay.count() > 0) {
        // Nothing arrives on the connection while it waits for us, so only stop() or the peer
        // hanging up ends this before the delay does.
        if (waitReadable(connection, std::chrono::steady_clock::now() + reply.delay) || isStopped()) {
            return;
        }
    }
    switch (reply.kind) {
    case FakeReply::Kind::answer:
        sendAll(connection, head(reply.status, reply.headers, reply.body.size()) + reply.body);
        break;
    case FakeReply::Kind::stall:
        // Until the peer closes (readable with end of file), the server stops, or the limit.
        for (const auto limit = std::chrono::steady_clock::now() + stallLimit; waitReadable(connection, limit);) {
            if (::recv(connection, buffer, sizeof buffer, 0) <= 0) {
                break;
            }
        }
        break;
    case FakeReply::Kind::hangUp:
        break;
    case FakeReply::Kind::raw:
        sendAll(connection, reply.body);
        break;
    case FakeReply::Kind::truncated:
        sendAll(connection, head(reply.status, reply.headers, reply.declaredLength) + reply.body);
        break;
    }
    // Say we are done sending before closing, so a peer still writing gets our bytes, not a reset.
    ::shutdown(connection, SHUT_WR);
}

} // namespace ostrel::test
