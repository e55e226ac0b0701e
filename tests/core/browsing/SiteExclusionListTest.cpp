#include "core/browsing/SiteExclusionList.hpp"

#include "core/browsing/WebPage.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(SiteExclusionList, DefaultListHoldsDistinctSitesInSiteForm) {
    const auto& sites = SiteExclusionList::defaultList().sites;
    EXPECT_EQ(sites.size(), 44u);
    for (const std::string& site : sites) {
        EXPECT_EQ(WebPage::site("https://" + site + "/"), site) << "not in site form: " << site;
        // An entry under another entry would be dead weight (or a sign the wrong one was listed).
        std::string_view parent = site;
        for (std::size_t dot = parent.find('.'); dot != std::string_view::npos; dot = parent.find('.')) {
            parent.remove_prefix(dot + 1);
            EXPECT_FALSE(sites.contains(parent)) << site << " is under " << parent;
        }
    }
}

TEST(SiteExclusionList, DefaultListMatchesWholeLabelsOnly) {
    const struct {
        const char* site;
        bool excluded;
    } cases[] = {
        {"mail.google.com", true},
        {"google.com", false}, // only the mail subdomain is private
        {"docs.google.com", false},
        {"chase.com", true},
        {"secure.chase.com", true},
        {"a.b.secure.chase.com", true},
        {"notchase.com", false},
        {"chase.com.example.org", false},
        {"mail.google.com.", true}, // the root dot names the same host
        {"cash.app", true},
        {"app", false},
        {"com", false},
        {"CHASE.COM", false}, // exact text: sites arrive lower-cased
        {"mychart.hospital.org", true},
        {"mychart.example", true},
        {"portal.mychart.org", false}, // the label counts only in first place
        {"mycharts.org", false},
        {"mychart", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SiteExclusionList::defaultList().contains(c.site), c.excluded) << c.site;
    }
}

TEST(SiteExclusionList, AnyListExcludesItsSitesAndEverythingUnderThem) {
    const SiteExclusionList list{{"b.c", "top"}};
    const struct {
        const char* site;
        bool excluded;
    } cases[] = {
        {"b.c", true}, {"a.b.c", true}, {"xb.c", false},  {"c", false},
        {"top", true}, {"x.top", true}, {"top.x", false}, {"mychart.x.y", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.contains(c.site), c.excluded) << c.site;
    }
    EXPECT_FALSE(SiteExclusionList{}.contains("b.c"));
}

} // namespace
} // namespace ostrel
