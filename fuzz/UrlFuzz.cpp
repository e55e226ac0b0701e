// URLs and web-page keys. A parsed URL keeps its text; its components are cuts of it; cutting out
// components gives a URL that parses without them and keeps the rest; replacing the path by itself
// changes nothing. A page's address has the page's site; a lone visit's stable page is its address.

#include "FuzzCheck.hpp"

#include "core/browsing/WebPage.hpp"
#include "core/foundation/Url.hpp"

#include <cctype>

using namespace ostrel;

namespace {

bool within(std::string_view part, const std::string& text) {
    return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
}

void checkUrl(const Url& url, std::string_view text) {
    FUZZ_REQUIRE(url.text() == text);
    for (const auto& part : {url.scheme(), url.userInfo(), url.host(), url.port(), url.query(), url.fragment()}) {
        FUZZ_REQUIRE(!part || within(*part, url.text()));
    }
    FUZZ_REQUIRE(within(url.path(), url.text()));
    FUZZ_REQUIRE(url.hasAuthority() == url.host().has_value());

    for (int mask = 0; mask < 8; ++mask) {
        const Url::Omit omit{.userInfo = (mask & 1) != 0, .query = (mask & 2) != 0, .fragment = (mask & 4) != 0};
        const std::string cut = url.textWithout(omit);
        const std::optional<Url> reparsed = Url::parse(cut);
        FUZZ_REQUIRE(reparsed.has_value());
        FUZZ_REQUIRE(reparsed->scheme() == url.scheme());
        FUZZ_REQUIRE(reparsed->host() == url.host());
        FUZZ_REQUIRE(reparsed->port() == url.port());
        FUZZ_REQUIRE(reparsed->path() == url.path());
        FUZZ_REQUIRE(omit.userInfo ? !reparsed->userInfo() : reparsed->userInfo() == url.userInfo());
        FUZZ_REQUIRE(omit.query ? !reparsed->query() : reparsed->query() == url.query());
        FUZZ_REQUIRE(omit.fragment ? !reparsed->fragment() : reparsed->fragment() == url.fragment());
    }
    const std::optional<Url> same = url.replacingPath(url.path());
    FUZZ_REQUIRE(same.has_value() && same->text() == url.text());
}

void checkPage(std::string_view text) {
    const std::optional<std::string> site = WebPage::site(text);
    const std::optional<std::string> address = WebPage::address(text);
    if (site) {
        FUZZ_REQUIRE(!site->empty());
        for (const char c : *site) {
            FUZZ_REQUIRE(!std::isupper(static_cast<unsigned char>(c)));
        }
    }
    if (address) {
        FUZZ_REQUIRE(WebPage::site(*address) == site);
        FUZZ_REQUIRE(WebPage::address(*address) == address);
        FUZZ_REQUIRE(WebPage::stablePage({std::string(text)}) == address);
        FUZZ_REQUIRE(WebPage::stablePage({std::string(text), std::string(text)}) == address);
    }
    if (WebPage::isMeeting(text)) {
        FUZZ_REQUIRE(site.has_value());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    if (const std::optional<Url> url = Url::parse(text)) {
        checkUrl(*url, text);
    }
    checkPage(text);
    const std::string decoded = percentDecode(text);
    FUZZ_REQUIRE(decoded.size() <= text.size());
    if (text.find('%') == std::string_view::npos) {
        FUZZ_REQUIRE(decoded == text);
    }
    return 0;
}
