#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The keys by which web pages are compared: the site of a URL, its address, and the stable page
// that many visits agree on. URLs are read strictly (RFC 3986, nothing normalised); a text that
// does not parse has no site and no address. Pure functions; any thread may call them.
namespace WebPage {

// The share of visits that must agree on a path prefix in stablePage().
inline constexpr double agreement = 0.6;

// The lower-cased host of an http or https URL (scheme in any case), without one leading "www.";
// nothing for other schemes, relative references and an empty host.
std::optional<std::string> site(std::string_view url);

// The URL of a site without query, fragment and user information, cut from the text as written:
// scheme, host, port and path keep their spelling.
std::optional<std::string> address(std::string_view url);

// The one page address most visits agree on, cut back to its last identifying path segment (all
// digits, or 8 or more characters with a digit): the first visit's address with the path replaced
// by "/" and the kept segments, each followed by "/". Nothing when no visit has an address or the
// visits differ in scheme, host or port; the first address when every path is the same.
std::optional<std::string> stablePage(const std::vector<std::string>& urls);

// Whether the URL is a video-meeting link: its site is one of the meeting services' hosts or a
// subdomain of one. Only http and https URLs can be.
bool isMeeting(std::string_view url);

} // namespace WebPage

} // namespace ostrel
