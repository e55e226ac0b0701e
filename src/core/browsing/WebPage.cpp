#include "core/browsing/WebPage.hpp"

#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"
#include "core/foundation/Url.hpp"
#include "core/foundation/Utf8.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace ostrel::WebPage {

namespace {

std::optional<std::string> siteOf(const Url& url) {
    const auto scheme = url.scheme();
    if (!scheme) {
        return std::nullopt;
    }
    const std::string lowerScheme = text::lowercased(*scheme);
    if (lowerScheme != "http" && lowerScheme != "https") {
        return std::nullopt;
    }
    const auto host = url.host();
    if (!host || host->empty()) {
        return std::nullopt;
    }
    // Escapes are decoded so that a spelled-out host and an escaped one are the same site (and an
    // escaped host cannot slip past the exclusion list).
    const std::string decoded = percentDecode(*host);
    if (!isValidUtf8(decoded)) {
        return std::nullopt;
    }
    std::string site = text::lowercased(decoded);
    if (site.starts_with("www.")) {
        site.erase(0, 4);
    }
    // "www." alone leaves nothing to name.
    if (site.empty()) {
        return std::nullopt;
    }
    return site;
}

std::optional<std::string> addressOf(const Url& url) {
    if (!siteOf(url)) {
        return std::nullopt;
    }
    // User information is never part of an address: it would carry credentials into everything
    // that stores pages.
    return url.textWithout({.userInfo = true, .query = true, .fragment = true});
}

struct Visit {
    Url address;
    std::vector<std::string> segments; // as written, empty pieces dropped
    std::vector<std::string> decoded;  // the same segments with escapes decoded
    std::string decodedPath;
};

Visit visitOf(Url address) {
    Visit visit{std::move(address), {}, {}, {}};
    const std::string_view path = visit.address.path();
    visit.decodedPath = percentDecode(path);
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            visit.segments.emplace_back(path.substr(start, slash - start));
            visit.decoded.push_back(percentDecode(visit.segments.back()));
        }
        start = slash + 1;
    }
    return visit;
}

bool isIdentifierLike(const std::string& segment) {
    const std::string text = isValidUtf8(segment) ? segment : repairUtf8(segment);
    const std::vector<std::string_view> characters = graphemeClusters(text);
    const auto numeric = [](std::string_view character) { return isNumericCharacter(character); };
    if (std::all_of(characters.begin(), characters.end(), numeric)) {
        return true;
    }
    return characters.size() >= 8 && std::any_of(characters.begin(), characters.end(), numeric);
}

} // namespace

std::optional<std::string> site(std::string_view url) {
    const auto parsed = Url::parse(url);
    return parsed ? siteOf(*parsed) : std::nullopt;
}

std::optional<std::string> address(std::string_view url) {
    const auto parsed = Url::parse(url);
    return parsed ? addressOf(*parsed) : std::nullopt;
}

std::optional<std::string> stablePage(const std::vector<std::string>& urls) {
    std::vector<Visit> visits;
    for (const std::string& url : urls) {
        const auto parsed = Url::parse(url);
        if (!parsed) {
            continue;
        }
        const auto text = addressOf(*parsed);
        if (!text) {
            continue;
        }
        if (auto address = Url::parse(*text)) {
            visits.push_back(visitOf(std::move(*address)));
        }
    }
    if (visits.empty()) {
        return std::nullopt;
    }
    const Url& first = visits.front().address;
    for (const Visit& visit : visits) {
        // Compared as written: http and https, or an explicit and an implied port, never agree.
        if (visit.address.scheme() != first.scheme() || visit.address.host() != first.host() ||
            visit.address.port() != first.port()) {
            return std::nullopt;
        }
    }
    const bool samePath = std::all_of(visits.begin(), visits.end(), [&](const Visit& visit) {
        return visit.decodedPath == visits.front().decodedPath;
    });
    if (samePath) {
        return first.text();
    }

    const std::size_t threshold =
        static_cast<std::size_t>(std::ceil(static_cast<double>(visits.size()) * agreement));
    // The threshold is more than half of all visits, so only the group that agreed at one depth can
    // hold the group that agrees at the next: narrowing one group is the same as regrouping all.
    std::vector<std::size_t> group(visits.size());
    for (std::size_t i = 0; i < visits.size(); ++i) {
        group[i] = i;
    }
    std::size_t agreed = 0;
    for (;;) {
        std::map<std::string_view, std::vector<std::size_t>> next;
        for (const std::size_t i : group) {
            if (visits[i].decoded.size() > agreed) {
                next[visits[i].decoded[agreed]].push_back(i);
            }
        }
        const auto largest = std::max_element(next.begin(), next.end(), [](const auto& a, const auto& b) {
            return a.second.size() < b.second.size();
        });
        if (largest == next.end() || largest->second.size() < threshold) {
            break;
        }
        group = largest->second;
        ++agreed;
    }

    // Every visit left in the group has the agreed segments; the first one's spelling is used.
    const Visit& model = visits[group.front()];
    std::size_t kept = agreed;
    while (kept > 0 && !isIdentifierLike(model.decoded[kept - 1])) {
        --kept;
    }
    std::string path = "/";
    for (std::size_t i = 0; i < kept; ++i) {
        path += model.segments[i];
        path += '/';
    }
    const auto page = first.replacingPath(path);
    if (!page) {
        return std::nullopt;
    }
    return page->text();
}

bool isMeeting(std::string_view url) {
    // Zoom, Google Meet, Teams (work and personal), Webex, FaceTime, Whereby, Jitsi Meet, Chime.
    static constexpr std::string_view meetingHosts[] = {
        "zoom.us",        "meet.google.com", "teams.microsoft.com",
        "teams.live.com", "webex.com",       "facetime.apple.com",
        "whereby.com",    "meet.jit.si",     "chime.aws",
    };
    const auto found = site(url);
    if (!found) {
        return false;
    }
    const std::string_view host = *found;
    return std::any_of(std::begin(meetingHosts), std::end(meetingHosts), [&](std::string_view meeting) {
        return host == meeting || (host.size() > meeting.size() && host.ends_with(meeting) &&
                                   host[host.size() - meeting.size() - 1] == '.');
    });
}

} // namespace ostrel::WebPage
