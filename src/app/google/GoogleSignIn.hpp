#pragma once

#include "core/foundation/Date.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel {

class SecureRandom;
struct GoogleEndpoints;

// The pieces of the browser sign-in (OAuth 2.0 authorisation code with PKCE, RFC 7636 "S256"):
// the random values, the authorisation URL, the browser's redirect request and the page it is
// answered with. Pure functions but randomString(); safe from any thread.
struct GoogleSignIn {
    // 32 random bytes in base64url without padding: 43 characters of A-Z, a-z, 0-9, "-" and "_".
    // Throws SecureRandomError.
    static std::string randomString(SecureRandom& random);
    // base64url without padding of the SHA-256 of the verifier.
    static std::string challenge(std::string_view verifier);

    static std::string authorizationURL(const GoogleEndpoints& endpoints, const std::string& clientID,
                                        const std::string& redirectURI, const std::string& challenge,
                                        const std::string& state);

    // The query items of the request line's target, names and values percent-decoded; empty when
    // the request has no target or the target no query.
    using QueryItems = std::vector<std::pair<std::string, std::string>>;
    static QueryItems redirectItems(std::string_view request);

    // The code of a redirect that carries the expected state and a non-empty code; nothing
    // otherwise (a wrong or missing state, or a declined sign-in, which has no code).
    static std::optional<std::string> code(const QueryItems& items, std::string_view expectedState);

    // The result page: folder/connected.html with its placeholders filled and the folder's images
    // and fonts embedded as data URIs, or a small inline page when there is no template. The month
    // and day are those of date in local time.
    static std::string page(bool connected, Date date, const std::filesystem::path& folder);

    // One whole HTTP/1.1 response: status ("200 OK"), the headers and body. Content-Length counts bytes.
    static std::string response(std::string_view status, std::string_view body);
};

} // namespace ostrel
