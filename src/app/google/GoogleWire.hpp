#pragma once

#include "core/calendar/GoogleEvent.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Url.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What goes over the wire to and from Google: the encodings of forms, queries and paths, and the
// replies of the token endpoint and the Calendar API. Pure functions, safe from any thread.
namespace ostrel::googlewire {

using Fields = std::vector<std::pair<std::string, std::string>>;

using ::ostrel::percentEncode;

// "key=value&..." in the given order; values encoded, keys written as they are (they are ours).
std::string form(const Fields& fields);
// "name=value&..." with both encoded, for a URL after its "?". Strict, so that "+" and "/" in a
// value can never be misread by the server.
std::string query(const Fields& items);
// "calendars/<id>/events" with the id encoded for a path segment, "/", "@" and "#" included.
std::string eventsPath(std::string_view calendarID);
// The instant in whole seconds, UTC: "2026-12-09T08:48:16Z".
std::string internetTime(Date date);

// Standard base64 with padding, and base64url without padding (RFC 4648 sections 4 and 5).
std::string base64(std::span<const std::uint8_t> bytes);
std::string base64url(std::span<const std::uint8_t> bytes);

// A token endpoint's reply. decode() throws json::DecodingError whose text never quotes the body.
struct Tokens {
    std::string accessToken;
    std::int64_t expiresIn = 0;
    std::optional<std::string> refreshToken;

    static Tokens decode(std::string_view body);
};

// The "error" text of an OAuth error reply; nothing when the body is no such object.
std::optional<std::string> oauthError(std::string_view body);

struct CalendarListPage {
    struct Entry {
        std::string id;
        std::optional<std::string> summary;
        std::optional<std::string> summaryOverride;
        bool selected = false;
        bool primary = false;
    };
    std::vector<Entry> items;
    std::optional<std::string> nextPageToken;

    // Throws json::DecodingError.
    static CalendarListPage decode(std::string_view body);
};

struct EventsPage {
    std::vector<GoogleEvent> items;
    std::size_t skipped = 0; // items that did not decode
    std::optional<std::string> nextPageToken;

    // Throws json::DecodingError.
    static EventsPage decode(std::string_view body);
};

} // namespace ostrel::googlewire
