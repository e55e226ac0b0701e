#include "core/calendar/EventLinks.hpp"

#include "core/browsing/WebPage.hpp"
#include "core/foundation/LinkDetector.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace ostrel::EventLinks {

namespace {

// Calendar's own web pages, the help site and a link shortener that invitations use for boiler-plate.
constexpr std::array<std::string_view, 3> noiseHosts = {"calendar.google.com", "support.google.com",
                                                        "aka.ms"};

bool isNoise(const std::string& link) {
    const auto site = WebPage::site(link);
    if (!site) {
        return true;
    }
    if (std::find(noiseHosts.begin(), noiseHosts.end(), *site) != noiseHosts.end()) {
        return true;
    }
    // Case-sensitive on purpose: these are the exact paths of meeting options and sign-in pages.
    return link.find("/meetingOptions") != std::string::npos || link.find("/signin") != std::string::npos;
}

} // namespace

std::vector<std::string> links(const std::vector<std::optional<std::string>>& explicitLinks,
                               const std::vector<std::optional<std::string>>& texts) {
    std::vector<std::string> candidates;
    for (const auto& link : explicitLinks) {
        if (link) {
            candidates.push_back(*link);
        }
    }
    for (const auto& text : texts) {
        if (text && !text->empty()) {
            for (std::string& link : LinkDetector::links(*text)) {
                candidates.push_back(std::move(link));
            }
        }
    }

    std::vector<std::string> kept;
    for (std::string& candidate : candidates) {
        if (kept.size() == limit) {
            break; // later candidates can never displace earlier ones
        }
        if (!WebPage::site(candidate) || std::find(kept.begin(), kept.end(), candidate) != kept.end() ||
            isNoise(candidate)) {
            continue;
        }
        kept.push_back(std::move(candidate));
    }
    return kept;
}

} // namespace ostrel::EventLinks
