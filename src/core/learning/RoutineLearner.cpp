#include "core/learning/RoutineLearner.hpp"

#include "core/browsing/WebPage.hpp"
#include "core/foundation/Text.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace ostrel::RoutineLearner {

namespace {

// Items and confidence come from this many most recent episodes of a key, so their cost stays flat
// however long the history grows.
constexpr std::size_t learnedEpisodes = 8;
constexpr double broughtUpWeight = 1.0;
constexpr double carriedWeight = 0.5;
// The share of the learned episodes an item's weight must reach, less a tolerance so that sums of
// halves are never lost to rounding of the product.
constexpr double consensusShare = 0.6;
constexpr double consensusTolerance = 1e-9;
constexpr double suggestingConfidence = 0.6;

using ItemSet = std::unordered_set<Item>;

// Sends every page of a site whose visits agree on one stable page to that page; everything else
// passes unchanged.
class PageMapping {
public:
    explicit PageMapping(std::map<std::string, std::string> stableBySite)
        : stableBySite_(std::move(stableBySite)) {}

    Item operator()(const Item& item) const {
        const auto* page = std::get_if<Item::Page>(&item.value());
        if (page == nullptr || stableBySite_.empty()) {
            return item;
        }
        const auto site = WebPage::site(page->url);
        if (!site) {
            return item;
        }
        const auto found = stableBySite_.find(*site);
        if (found == stableBySite_.end()) {
            return item;
        }
        return Item::page(found->second).value_or(item);
    }

    ItemSet mapped(const std::vector<Item>& items) const {
        ItemSet result;
        for (const Item& item : items) {
            result.insert((*this)(item));
        }
        return result;
    }

private:
    std::map<std::string, std::string> stableBySite_;
};

// Only pages brought up count: a tab merely left open says nothing about which page matters.
PageMapping stablePages(const std::vector<const Episode*>& learned) {
    std::map<std::string, std::vector<std::string>> visitsBySite;
    for (const Episode* episode : learned) {
        for (const Item& item : episode->setup.broughtUp) {
            if (const auto* page = std::get_if<Item::Page>(&item.value())) {
                if (auto site = WebPage::site(page->url)) {
                    visitsBySite[std::move(*site)].push_back(page->url);
                }
            }
        }
    }
    std::map<std::string, std::string> stableBySite;
    for (const auto& [site, visits] : visitsBySite) {
        if (auto stable = WebPage::stablePage(visits)) {
            stableBySite.emplace(site, std::move(*stable));
        }
    }
    return PageMapping(std::move(stableBySite));
}

std::vector<Item> consensus(const std::vector<const Episode*>& learned, const PageMapping& page) {
    std::unordered_map<Item, double> weights;
    for (const Episode* episode : learned) {
        for (const Item& item : page.mapped(episode->setup.broughtUp)) {
            weights[item] += broughtUpWeight;
        }
        for (const Item& item : page.mapped(episode->setup.carried)) {
            weights[item] += carriedWeight;
        }
    }
    const double threshold = static_cast<double>(learned.size()) * consensusShare;

    struct Weighted {
        Item item;
        std::string id;
        double weight;
    };
    std::vector<Weighted> kept;
    for (const auto& [item, weight] : weights) {
        if (weight >= threshold - consensusTolerance) {
            kept.push_back({item, item.id(), weight});
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Weighted& a, const Weighted& b) {
        if (a.weight != b.weight) {
            return a.weight > b.weight;
        }
        // Ids of different items differ as text, so the order does not depend on the map's.
        return text::compare(a.id, b.id) < 0;
    });
    std::vector<Item> items;
    items.reserve(kept.size());
    for (Weighted& entry : kept) {
        items.push_back(std::move(entry.item));
    }
    return items;
}

} // namespace

Routine routine(const ContextKey& key, const std::vector<const Episode*>& episodes,
                const FirstSeen& firstSeen) {
    std::vector<const Episode*> sorted = episodes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Episode* a, const Episode* b) { return a->start < b->start; });
    const std::size_t skipped = sorted.size() > learnedEpisodes ? sorted.size() - learnedEpisodes : 0;
    const std::vector<const Episode*> learned(sorted.begin() + static_cast<std::ptrdiff_t>(skipped),
                                              sorted.end());

    const PageMapping page = stablePages(learned);
    std::vector<Item> items = consensus(learned, page);

    const ItemSet itemSet(items.begin(), items.end());
    int agreeing = 0;
    for (const Episode* episode : learned) {
        if (jaccard(page.mapped(episode->setup.broughtUp), itemSet) >= agreeingSimilarity) {
            ++agreeing;
        }
    }
    const double confidence =
        static_cast<double>(agreeing + 1) / static_cast<double>(static_cast<int>(learned.size()) + 2);

    // A class on the calendar before it was ever seen in an episode is a known class: one episode
    // is enough to suggest it.
    int supportNeeded = 2;
    if (const auto* event = std::get_if<ContextKey::Event>(&key.value)) {
        const auto seen = firstSeen.find(event->seriesKey);
        if (seen != firstSeen.end() && seen->second < sorted.front()->start) {
            supportNeeded = 1;
        }
    }
    const int support = static_cast<int>(episodes.size());
    const TrustLevel trust = confidence >= suggestingConfidence && support >= supportNeeded
                                 ? TrustLevel::suggest
                                 : TrustLevel::observe;
    return Routine{key, std::move(items), support, confidence, trust};
}

FirstSeen firstSeen(const std::vector<CalendarSeries>& series) {
    FirstSeen result;
    for (const CalendarSeries& known : series) {
        const auto [at, inserted] = result.try_emplace(known.key, known.firstSeen);
        if (!inserted) {
            at->second = std::min(at->second, known.firstSeen);
        }
    }
    return result;
}

std::vector<Routine> routines(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
                              const Calendar& calendar) {
    const FirstSeen seen = firstSeen(series);

    const ContextKey::History history(episodes);
    std::vector<ContextKey> keys;
    std::unordered_map<ContextKey, std::vector<const Episode*>> filed;
    for (const Episode& episode : episodes) {
        ContextKey key = ContextKey::of(episode, history, calendar);
        auto [at, inserted] = filed.try_emplace(key);
        if (inserted) {
            keys.push_back(std::move(key));
        }
        at->second.push_back(&episode);
    }

    struct Learned {
        Routine routine;
        std::string id;
    };
    std::vector<Learned> learned;
    learned.reserve(keys.size());
    for (const ContextKey& key : keys) {
        Routine keyRoutine = routine(key, filed.at(key), seen);
        std::string id = key.id();
        learned.push_back({std::move(keyRoutine), std::move(id)});
    }
    // Ids of different keys differ as text, so the order is total.
    std::stable_sort(learned.begin(), learned.end(), [](const Learned& a, const Learned& b) {
        if (a.routine.support != b.routine.support) {
            return a.routine.support > b.routine.support;
        }
        return text::compare(a.id, b.id) < 0;
    });

    std::vector<Routine> result;
    result.reserve(learned.size());
    for (Learned& entry : learned) {
        result.push_back(std::move(entry.routine));
    }
    return result;
}

} // namespace ostrel::RoutineLearner
