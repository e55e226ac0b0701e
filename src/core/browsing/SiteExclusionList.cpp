#include "core/browsing/SiteExclusionList.hpp"

namespace ostrel {

namespace {

// Registrable domains exclude everything under them; where a provider serves mail or messages from
// one subdomain of a domain with ordinary pages, only that subdomain is listed.
constexpr std::string_view defaultSites[] = {
    // Web mail (7)
    "mail.google.com",
    "outlook.live.com",
    "outlook.office.com",
    "mail.yahoo.com",
    "mail.proton.me",
    "mail.aol.com",
    "fastmail.com",
    // Web messaging and team chat (9)
    "web.whatsapp.com",
    "messenger.com",
    "web.telegram.org",
    "discord.com",
    "app.slack.com",
    "chat.google.com",
    "messages.google.com",
    "web.skype.com",
    "app.element.io",
    // Banks, card issuers, payment apps, brokerages and crypto exchanges (19)
    "chase.com",
    "bankofamerica.com",
    "wellsfargo.com",
    "citi.com",
    "capitalone.com",
    "usbank.com",
    "pnc.com",
    "americanexpress.com",
    "discover.com",
    "paypal.com",
    "venmo.com",
    "cash.app",
    "robinhood.com",
    "fidelity.com",
    "schwab.com",
    "vanguard.com",
    "coinbase.com",
    "kraken.com",
    "binance.com",
    // Patient portals and telehealth (3), besides every "mychart." host
    "followmyhealth.com",
    "teladoc.com",
    "amwell.com",
    // Dating (6)
    "tinder.com",
    "bumble.com",
    "hinge.co",
    "match.com",
    "okcupid.com",
    "grindr.com",
};

} // namespace

bool SiteExclusionList::contains(std::string_view site) const {
    if (site.size() > patientPortalLabel.size() && site.starts_with(patientPortalLabel) &&
        site[patientPortalLabel.size()] == '.') {
        return true;
    }
    // A fully qualified host with its root dot ("mail.google.com.") is the same host: it must not
    // slip past the list.
    if (site.ends_with('.')) {
        site.remove_suffix(1);
    }
    for (;;) {
        if (sites.contains(site)) {
            return true;
        }
        const std::size_t dot = site.find('.');
        if (dot == std::string_view::npos) {
            return false;
        }
        site.remove_prefix(dot + 1);
    }
}

const SiteExclusionList& SiteExclusionList::defaultList() {
    static const SiteExclusionList list{{std::begin(defaultSites), std::end(defaultSites)}};
    return list;
}

} // namespace ostrel
