#include "platform/HttpClient.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace ostrel {
namespace {

// libcurl's global set-up, once per process, before the first handle.
void initCurlOnce() {
    static const bool ready = [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw HttpError("HTTP is unavailable: libcurl did not initialise");
        }
        return true;
    }();
    (void)ready;
}

struct UrlParts {
    std::string scheme; // lower case
    std::string host;   // lower case; IPv4 numbers normalised by libcurl, IPv6 in brackets
    std::string port;   // the scheme's default when the URL gives none
};

// Scheme, host and port of an absolute URL, or nothing when libcurl cannot parse it.
std::optional<UrlParts> partsOf(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), &curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts parts;
    for (auto [part, target] : {std::pair{CURLUPART_SCHEME, &parts.scheme}, std::pair{CURLUPART_HOST, &parts.host},
                                std::pair{CURLUPART_PORT, &parts.port}}) {
        char* text = nullptr;
        if (curl_url_get(handle.get(), part, &text, CURLU_DEFAULT_PORT) == CURLUE_OK && text != nullptr) {
            *target = text;
            for (char& c : *target) {
                if (c >= 'A' && c <= 'Z') {
                    c = static_cast<char>(c - 'A' + 'a');
                }
            }
        }
        curl_free(text);
    }
    return parts;
}

// 127.0.0.0/8 written as four decimal numbers, as libcurl normalises IPv4 hosts.
bool isLoopbackIPv4(std::string_view host) {
    int numbers = 0;
    int first = -1;
    while (!host.empty()) {
        const std::size_t end = std::min(host.find('.'), host.size());
        const std::string_view digits = host.substr(0, end);
        unsigned value = 0;
        const auto [rest, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || digits.size() > 3 || error != std::errc() || rest != digits.data() + digits.size() ||
            value > 255) {
            return false;
        }
        if (numbers++ == 0) {
            first = static_cast<int>(value);
        }
        host.remove_prefix(end);
        if (!host.empty()) {
            host.remove_prefix(1);
            if (host.empty()) {
                return false; // a trailing dot
            }
        }
    }
    return numbers == 4 && first == 127;
}

bool isLoopbackHost(const std::string& host) {
    return host == "localhost" || host == "[::1]" || isLoopbackIPv4(host);
}

bool isToken(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (unsigned char c : text) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                             std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool hasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos || text.find('\0') != std::string::npos; }

struct Transfer {
    std::string body;
    std::size_t limit;
    bool overLimit = false;
    const std::atomic<bool>* cancel = nullptr;
};

// libcurl calls this about once a second while it waits, and as data moves; non-zero aborts.
int checkCancel(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<const Transfer*>(context);
    return transfer.cancel != nullptr && transfer.cancel->load() ? 1 : 0;
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (bytes > transfer.limit - transfer.body.size()) {
        transfer.overLimit = true;
        return 0; // anything short of `bytes` aborts the transfer
    }
    transfer.body.append(data, bytes);
    return bytes;
}

using Easy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using Headers = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

void set(CURL* easy, CURLoption option, auto value) {
    if (curl_easy_setopt(easy, option, value) != CURLE_OK) {
        throw HttpError("HTTP request could not be set up");
    }
}

} // namespace

HttpClient::HttpClient(std::size_t maxReplyBytes) : maxReplyBytes_(maxReplyBytes) {}

bool HttpClient::isAllowed(const std::string& url) {
    const auto parts = partsOf(url);
    if (!parts) {
        return false;
    }
    if (parts->scheme == "https") {
        return !parts->host.empty();
    }
    return parts->scheme == "http" && isLoopbackHost(parts->host);
}

bool HttpClient::isLoopbackHttp(const std::string& url) {
    const auto parts = partsOf(url);
    return parts && parts->scheme == "http" && isLoopbackHost(parts->host);
}

HttpResponse HttpClient::send(const HttpRequest& request) const {
    initCurlOnce();
    // Checked before anything is sent; the texts name neither headers nor bodies.
    if (!isToken(request.method)) {
        throw std::invalid_argument("HTTP method is not a token");
    }
    for (const auto& [name, value] : request.headers) {
        if (!isToken(name) || hasLineBreak(value)) {
            throw std::invalid_argument("HTTP header name or value is malformed");
        }
    }
    if (!std::isfinite(request.timeout) || request.timeout <= 0) {
        throw std::invalid_argument("HTTP time-out must be positive");
    }
    const auto parts = partsOf(request.url);
    const std::string host = parts ? parts->host : std::string("an unreadable address");
    if (!isAllowed(request.url)) {
        throw HttpError("HTTP request to " + host + " refused: only https, or http to a loopback host",
                        HttpError::Kind::refused);
    }
    if (request.cancel && request.cancel->load()) {
        throw HttpError("HTTP request to " + host + " cancelled", HttpError::Kind::cancelled);
    }

    Easy easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) {
        throw HttpError("HTTP request to " + host + " could not be set up");
    }
    CURL* handle = easy.get();

    Transfer transfer{{}, maxReplyBytes_, false, request.cancel.get()};
    set(handle, CURLOPT_URL, request.url.c_str());
    set(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    set(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(handle, CURLOPT_FOLLOWLOCATION, 0L);
    set(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    set(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    set(handle, CURLOPT_NOSIGNAL, 1L); // no SIGALRM for name look-ups on a worker thread
    set(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(std::ceil(request.timeout * 1000)));
    set(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxReplyBytes_));
    set(handle, CURLOPT_WRITEFUNCTION, &collect);
    set(handle, CURLOPT_WRITEDATA, &transfer);
    if (request.cancel) {
        set(handle, CURLOPT_XFERINFOFUNCTION, &checkCancel);
        set(handle, CURLOPT_XFERINFODATA, &transfer);
        set(handle, CURLOPT_NOPROGRESS, 0L);
    }
    Headers resolve(nullptr, &curl_slist_free_all);
    if (parts->scheme == "http") {
        // Plain http only goes to loopback: a proxy from the environment must not carry it off,
        // and "localhost" must not be whatever a hosts file or resolver makes of it.
        set(handle, CURLOPT_PROXY, "");
        if (parts->host == "localhost") {
            resolve.reset(curl_slist_append(nullptr, ("localhost:" + parts->port + ":127.0.0.1,[::1]").c_str()));
            if (!resolve) {
                throw HttpError("HTTP request to " + host + " could not be set up");
            }
            set(handle, CURLOPT_RESOLVE, resolve.get());
        }
    }

    if (request.method == "HEAD") {
        set(handle, CURLOPT_NOBODY, 1L);
    } else if (request.method == "GET" && request.body.empty()) {
        set(handle, CURLOPT_HTTPGET, 1L);
    } else {
        if (request.method == "POST" || !request.body.empty()) {
            set(handle, CURLOPT_POSTFIELDS, request.body.data());
            set(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        }
        if (request.method != "POST") {
            set(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
    }

    Headers headers(nullptr, &curl_slist_free_all);
    bool hasExpect = false;
    auto append = [&](const std::string& line) {
        curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
        if (grown == nullptr) {
            throw HttpError("HTTP request to " + host + " could not be set up");
        }
        headers.release();
        headers.reset(grown);
    };
    for (const auto& [name, value] : request.headers) {
        hasExpect = hasExpect || curl_strequal(name.c_str(), "Expect");
        // "Name;" is libcurl's way of sending a header with an empty value.
        append(value.empty() ? name + ";" : name + ": " + value);
    }
    if (!hasExpect) {
        append("Expect:"); // no 100-continue round trip for larger bodies
    }
    set(handle, CURLOPT_HTTPHEADER, headers.get());

    const CURLcode result = curl_easy_perform(handle);
    if (transfer.overLimit || result == CURLE_FILESIZE_EXCEEDED) {
        throw HttpError("HTTP reply from " + host + " is larger than " + std::to_string(maxReplyBytes_) + " bytes",
                        HttpError::Kind::tooLarge);
    }
    if (result == CURLE_ABORTED_BY_CALLBACK) {
        throw HttpError("HTTP request to " + host + " cancelled", HttpError::Kind::cancelled);
    }
    if (result == CURLE_WEIRD_SERVER_REPLY || result == CURLE_UNSUPPORTED_PROTOCOL) {
        // The peer answered, but not in HTTP (libcurl reports bytes without a status line as an
        // unsupported protocol; the scheme itself was checked above).
        return HttpResponse{0, {}};
    }
    if (result != CURLE_OK) {
        const HttpError::Kind kind = result == CURLE_OPERATION_TIMEDOUT ? HttpError::Kind::timedOut
                                     : result == CURLE_PARTIAL_FILE     ? HttpError::Kind::partial
                                                                        : HttpError::Kind::failed;
        throw HttpError("HTTP request to " + host + " failed: " + curl_easy_strerror(result), kind);
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return HttpResponse{static_cast<int>(status), std::move(transfer.body)};
}

} // namespace ostrel
