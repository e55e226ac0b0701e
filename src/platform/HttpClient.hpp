#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {

// A request that never reached an answer: the address was refused before sending (not https, or
// plain http to anywhere but 127.0.0.1), the connection failed, TLS did not verify, the time-out
// passed, or the reply grew past the size limit. The text names the host at most, never a header
// or body (they may carry tokens).
class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers; // sent in this order
    std::string body;
    double timeout = 60; // seconds for the whole exchange
};

struct HttpResponse {
    // The HTTP status; 0 when the peer answered with something that is not HTTP.
    int status = 0;
    std::string body;
};

// Blocking HTTP over libcurl: one request, one answer. Redirects are not followed (a 3xx is an
// answer like any other), TLS peers are verified, and only https addresses are sent, or plain http
// to 127.0.0.1 (the test servers and local model servers). Call it on a worker, never on main.
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

    // Whether url may be sent at all (https, or http to 127.0.0.1).
    static bool isAllowed(const std::string& url);

private:
    std::size_t maxReplyBytes_;
};

} // namespace ostrel
