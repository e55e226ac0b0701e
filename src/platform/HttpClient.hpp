#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {

// A request that never reached an answer: the address was refused before sending (not https, or
// plain http to a host that is not loopback), the connection failed, TLS did not verify, the
// time-out passed, the caller cancelled it, the body came cut short, or the reply grew past the
// size limit. The text names the host at most, never a header or body (they may carry tokens).
class HttpError : public std::runtime_error {
public:
    enum class Kind {
        failed,    // no connection, reset, TLS, or anything else on the way
        refused,   // never sent: the address is not allowed
        timedOut,  // the request's own time-out passed
        cancelled, // the request's cancel flag was set
        partial,   // the peer closed before the body it announced was whole
        tooLarge,  // the reply grew past the size limit
    };

    explicit HttpError(const std::string& message, Kind kind = Kind::failed)
        : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers; // sent in this order
    std::string body;
    double timeout = 60; // seconds for the whole exchange
    // When set, storing true (from any thread) aborts the transfer within about a second, and
    // send() throws HttpError of kind cancelled; already true, nothing is sent.
    std::shared_ptr<const std::atomic<bool>> cancel;
};

struct HttpResponse {
    // The HTTP status; 0 when the peer answered with something that is not HTTP.
    int status = 0;
    std::string body;
};

// Blocking HTTP over libcurl: one request, one answer. Redirects are not followed (a 3xx is an
// answer like any other), TLS peers are verified, and only https addresses are sent, or plain http
// to a loopback host: 127.0.0.0/8, [::1] or "localhost", which is pinned to 127.0.0.1 and [::1]
// whatever the resolver says (the test servers and local model servers). No proxy carries plain
// http. Call it on a worker, never on main.
//
// Threading: one object may be used from several threads at once; each send() has its own handle.
class HttpClient {
public:
    static constexpr std::size_t defaultMaxReplyBytes = 32u << 20;

    explicit HttpClient(std::size_t maxReplyBytes = defaultMaxReplyBytes);

    // Throws HttpError when no answer came; an answer of any status is returned. A method that is
    // not a token, a header name that is not a token, a header value with a line break, or a
    // time-out that is not positive throws std::invalid_argument before anything is sent.
    HttpResponse send(const HttpRequest& request) const;

    // Whether url may be sent at all (https, or http to a loopback host).
    static bool isAllowed(const std::string& url);
    // Whether url is plain http to a loopback host, as above.
    static bool isLoopbackHttp(const std::string& url);

private:
    std::size_t maxReplyBytes_;
};

} // namespace ostrel
