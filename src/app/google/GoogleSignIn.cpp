#include "app/google/GoogleSignIn.hpp"

#include "app/google/GoogleCalendar.hpp"
#include "app/google/GoogleWire.hpp"
#include "core/foundation/Sha256.hpp"
#include "core/foundation/Url.hpp"
#include "platform/SecureRandom.hpp"

#include <array>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>

namespace ostrel {

namespace {

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(bytes).str();
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) {
        return;
    }
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

const char* mimeType(const std::string& extension) {
    if (extension == ".webp") {
        return "image/webp";
    }
    if (extension == ".png") {
        return "image/png";
    }
    if (extension == ".woff2") {
        return "font/woff2";
    }
    return nullptr;
}

} // namespace

std::string GoogleSignIn::randomString(SecureRandom& random) {
    return googlewire::base64url(random.bytes(32));
}

std::string GoogleSignIn::challenge(std::string_view verifier) {
    return googlewire::base64url(Sha256::digest(verifier));
}

std::string GoogleSignIn::authorizationURL(const GoogleEndpoints& endpoints, const std::string& clientID,
                                           const std::string& redirectURI, const std::string& challenge,
                                           const std::string& state) {
    return endpoints.accounts + "/o/oauth2/v2/auth?" +
           googlewire::query({{"client_id", clientID},
                              {"redirect_uri", redirectURI},
                              {"response_type", "code"},
                              {"scope", endpoints.api + "/auth/calendar.readonly"},
                              {"code_challenge", challenge},
                              {"code_challenge_method", "S256"},
                              {"access_type", "offline"},
                              {"prompt", "consent"},
                              {"state", state}});
}

GoogleSignIn::QueryItems GoogleSignIn::redirectItems(std::string_view request) {
    // The request line's target is the second piece between spaces ("GET /?code=... HTTP/1.1").
    std::vector<std::string_view> pieces;
    std::size_t at = 0;
    while (pieces.size() < 2 && at < request.size()) {
        const std::size_t end = std::min(request.find(' ', at), request.size());
        if (end > at) {
            pieces.push_back(request.substr(at, end - at));
        }
        at = end + 1;
    }
    if (pieces.size() < 2) {
        return {};
    }
    const auto url = Url::parse("http://127.0.0.1" + std::string(pieces[1]));
    if (!url || !url->query()) {
        return {};
    }
    QueryItems items;
    std::string_view query = *url->query();
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view item = query.substr(0, end);
        query.remove_prefix(std::min(end + 1, query.size()));
        if (item.empty()) {
            continue;
        }
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            items.emplace_back(percentDecode(item), "");
        } else {
            items.emplace_back(percentDecode(item.substr(0, equals)), percentDecode(item.substr(equals + 1)));
        }
    }
    return items;
}

std::optional<std::string> GoogleSignIn::code(const QueryItems& items, std::string_view expectedState) {
    const auto state = std::ranges::find(items, std::string("state"), &QueryItems::value_type::first);
    if (state == items.end() || state->second != expectedState) {
        return std::nullopt;
    }
    const auto code = std::ranges::find(items, std::string("code"), &QueryItems::value_type::first);
    if (code == items.end() || code->second.empty()) {
        return std::nullopt;
    }
    return code->second;
}

std::string GoogleSignIn::page(bool connected, Date date, const std::filesystem::path& folder) {
    const std::string title = connected ? "You\u2019re connected." : "Sign-in didn\u2019t finish.";
    const std::string text = connected ? "Ostrel can see your Google Calendar now. From your next class on, it gets "
                                         "your Mac ready before it starts."
                                       : "Nothing was connected. Go back to Ostrel and click Connect to try again.";
    std::optional<std::string> page;
    if (!folder.empty()) {
        page = readFile(folder / "connected.html");
    }
    if (!page) {
        return "<!doctype html><meta charset=\"utf-8\"><title>Ostrel</title>"
               "<body style=\"font:18px -apple-system,sans-serif;text-align:center;padding-top:30vh\"><h1>" +
               title + "</h1><p>" + text + "</p>";
    }

    static constexpr std::array<const char*, 12> months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                           "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const auto seconds = static_cast<std::time_t>(date);
    std::tm local{};
    localtime_r(&seconds, &local);
    replaceAll(*page, "{{state}}", connected ? "connected" : "failed");
    replaceAll(*page, "{{title}}", title);
    replaceAll(*page, "{{text}}", text);
    replaceAll(*page, "{{month}}", months[static_cast<std::size_t>(local.tm_mon) % 12]);
    replaceAll(*page, "{{day}}", std::to_string(local.tm_mday));

    // The page is served once by a listener that then closes: everything it shows goes inside it.
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& path = entry->path();
        const char* mime = mimeType(path.extension().string());
        if (mime == nullptr) {
            continue;
        }
        const auto bytes = readFile(path);
        if (!bytes) {
            continue;
        }
        const std::string name = path.filename().string();
        const std::string uri =
            std::string("data:") + mime + ";base64," +
            googlewire::base64({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
        replaceAll(*page, "\"" + name + "\"", "\"" + uri + "\"");
        replaceAll(*page, "url(" + name + ")", "url(" + uri + ")");
    }
    return *page;
}

std::string GoogleSignIn::response(std::string_view status, std::string_view body) {
    std::string out = "HTTP/1.1 ";
    out += status;
    out += "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ";
    out += std::to_string(body.size());
    out += "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    out += body;
    return out;
}

} // namespace ostrel
