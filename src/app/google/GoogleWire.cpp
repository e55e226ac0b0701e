#include "app/google/GoogleWire.hpp"

#include "core/foundation/Json.hpp"

#include <cmath>
#include <ctime>

namespace ostrel::googlewire {

namespace {

const json::Value* member(const json::Value& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return nullptr;
    }
    return &*found;
}

std::optional<std::string> optionalText(const json::Value& object, const char* key) {
    const json::Value* value = member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        throw json::DecodingError(std::string("\"") + key + "\" is not a string");
    }
    return value->get<std::string>();
}

bool optionalFlag(const json::Value& object, const char* key) {
    const json::Value* value = member(object, key);
    if (value == nullptr) {
        return false;
    }
    if (!value->is_boolean()) {
        throw json::DecodingError(std::string("\"") + key + "\" is not a Boolean");
    }
    return value->get<bool>();
}

json::Value object(std::string_view body, const char* what) {
    json::Value value = json::parse(body);
    if (!value.is_object()) {
        throw json::DecodingError(std::string(what) + " is not a JSON object");
    }
    return value;
}

std::string encodeBase64(std::span<const std::uint8_t> bytes, const char* alphabet, bool pad) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += alphabet[(n >> 6) & 63];
        out += alphabet[n & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        const std::uint32_t n = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        if (rest == 2) {
            out += alphabet[(n >> 6) & 63];
        }
        if (pad) {
            out.append(3 - rest, '=');
        }
    }
    return out;
}

} // namespace

std::string form(const Fields& fields) {
    std::string out;
    for (const auto& [key, value] : fields) {
        if (!out.empty()) {
            out += '&';
        }
        out += key + "=" + percentEncode(value);
    }
    return out;
}

std::string query(const Fields& items) {
    std::string out;
    for (const auto& [name, value] : items) {
        if (!out.empty()) {
            out += '&';
        }
        out += percentEncode(name) + "=" + percentEncode(value);
    }
    return out;
}

std::string eventsPath(std::string_view calendarID) {
    // What a path segment may hold as it is, less "/", "@" and "#": an id such as
    // "en.german#holiday@group.v.calendar.google.com" must stay one segment.
    return "calendars/" + percentEncode(calendarID, "!$&'()*+,;=:") + "/events";
}

std::string internetTime(Date date) {
    const auto seconds = static_cast<std::time_t>(std::floor(date));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return buffer;
}

std::string base64(std::span<const std::uint8_t> bytes) {
    return encodeBase64(bytes, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", true);
}

std::string base64url(std::span<const std::uint8_t> bytes) {
    return encodeBase64(bytes, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", false);
}

Tokens Tokens::decode(std::string_view body) {
    // The body holds tokens, and a JSON error's text quotes what it last read: say only what was
    // wrong, never what was there.
    json::Value reply;
    try {
        reply = json::parse(body);
    } catch (const json::DecodingError&) {
        throw json::DecodingError("the token reply is not valid JSON");
    }
    if (!reply.is_object()) {
        throw json::DecodingError("the token reply is not a JSON object");
    }
    Tokens tokens;
    const json::Value* access = member(reply, "access_token");
    if (access == nullptr || !access->is_string()) {
        throw json::DecodingError("the token reply has no \"access_token\" text");
    }
    tokens.accessToken = access->get<std::string>();
    const json::Value* expires = member(reply, "expires_in");
    if (expires == nullptr || !expires->is_number_integer()) {
        throw json::DecodingError("the token reply has no whole \"expires_in\"");
    }
    tokens.expiresIn = expires->get<std::int64_t>();
    if (const json::Value* refresh = member(reply, "refresh_token")) {
        if (!refresh->is_string()) {
            throw json::DecodingError("the token reply's \"refresh_token\" is not text");
        }
        tokens.refreshToken = refresh->get<std::string>();
    }
    return tokens;
}

std::optional<std::string> oauthError(std::string_view body) {
    try {
        const json::Value reply = json::parse(body);
        if (reply.is_object()) {
            if (const auto found = reply.find("error"); found != reply.end() && found->is_string()) {
                return found->get<std::string>();
            }
        }
    } catch (const json::DecodingError&) {
    }
    return std::nullopt;
}

CalendarListPage CalendarListPage::decode(std::string_view body) {
    const json::Value reply = object(body, "the calendar list");
    CalendarListPage page;
    if (const json::Value* items = member(reply, "items")) {
        if (!items->is_array()) {
            throw json::DecodingError("the calendar list's \"items\" is not an array");
        }
        for (const json::Value& item : *items) {
            if (!item.is_object()) {
                throw json::DecodingError("a calendar list entry is not an object");
            }
            Entry entry;
            auto id = optionalText(item, "id");
            if (!id) {
                throw json::DecodingError("a calendar list entry has no \"id\"");
            }
            entry.id = std::move(*id);
            entry.summary = optionalText(item, "summary");
            entry.summaryOverride = optionalText(item, "summaryOverride");
            entry.selected = optionalFlag(item, "selected");
            entry.primary = optionalFlag(item, "primary");
            page.items.push_back(std::move(entry));
        }
    }
    page.nextPageToken = optionalText(reply, "nextPageToken");
    return page;
}

EventsPage EventsPage::decode(std::string_view body) {
    const json::Value reply = object(body, "the events reply");
    EventsPage page;
    if (const json::Value* items = member(reply, "items")) {
        GoogleEvent::DecodedList list = GoogleEvent::decodeList(*items);
        page.items = std::move(list.events);
        page.skipped = list.skipped;
    }
    page.nextPageToken = optionalText(reply, "nextPageToken");
    return page;
}

} // namespace ostrel::googlewire
