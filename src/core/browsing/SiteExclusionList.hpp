#pragma once

#include <set>
#include <string>
#include <string_view>

namespace ostrel {

// Sites whose pages are never recorded, only the fact that one was in use.
struct SiteExclusionList {
    // Sites as WebPage::site() yields them: lower case, without a leading "www.". Listing a domain
    // excludes every host under it.
    std::set<std::string, std::less<>> sites;

    // The first label under which hospitals serve their patient portals from their own domains;
    // every host that starts with it and a dot is excluded, whatever the list.
    static constexpr std::string_view patientPortalLabel = "mychart";

    // Whether site (as WebPage::site() yields it) or one of its parent domains is listed. Only
    // whole labels match: "notgmail.com" is not under "gmail.com". Exact, case-sensitive text.
    bool contains(std::string_view site) const;

    // The built-in list: private mail, messages, money, health and dating sites. Made once, never
    // changed, safe to share between threads.
    static const SiteExclusionList& defaultList();

    friend bool operator==(const SiteExclusionList&, const SiteExclusionList&) = default;
};

} // namespace ostrel
