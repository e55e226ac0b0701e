#pragma once

#include "core/browsing/SiteExclusionList.hpp"
#include "core/episodes/Item.hpp"
#include "core/observations/ExclusionList.hpp"

#include <string_view>

namespace ostrel {

// What the student keeps private from the language model: the apps and the sites whose activity is
// never recorded in detail. The recorders apply the same lists, but what they stored before a name
// joined a list still names it, and a routine's items may have been added by hand; so everything
// handed to the model is checked again here. Defaults to the built-in lists.
struct Exclusions {
    ExclusionList apps = ExclusionList::defaultList();
    SiteExclusionList sites = SiteExclusionList::defaultList();

    bool hidesApp(std::string_view bundleID) const;
    // site as WebPage::site() gives it (lower case, no "www.").
    bool hidesSite(std::string_view site) const;
    // An excluded app, a note kept in one, or a page of an excluded site. A page whose address has
    // no site is not hidden (it names no site).
    bool hides(const Item& item) const;
};

} // namespace ostrel
