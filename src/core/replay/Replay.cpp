#include "core/replay/Replay.hpp"

#include "core/foundation/Text.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Planner.hpp"
#include "core/learning/Routine.hpp"
#include "core/learning/RoutineLearner.hpp"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace ostrel::Replay {

namespace {

using ItemSet = std::unordered_set<Item>;

// The history of the episodes replayed so far, grown one episode at a time, with each episode
// filed under the key the learner would file it under given that history.
class Past {
public:
    Past(const std::vector<const Episode*>& sorted, const std::vector<CalendarSeries>& series,
         const Calendar& calendar)
        : sorted_(sorted), firstSeen_(RoutineLearner::firstSeen(series)) {
        moments_.reserve(sorted.size());
        for (const Episode* episode : sorted) {
            moments_.push_back(ContextKey::Moment::of(episode->context, episode->trigger.ts, calendar));
        }
        keys_.reserve(sorted.size());
    }

    const ContextKey::History& history() const { return history_; }
    const ContextKey::Moment& moment(std::size_t index) const { return moments_[index]; }

    // The learned routines of these keys, in the learner's order: by support, largest first, then
    // by key id.
    std::vector<Routine> routines(const std::vector<ContextKey>& keys) {
        struct Learned {
            const Routine* routine;
            std::string id;
        };
        std::vector<Learned> found;
        for (const ContextKey& key : keys) {
            const auto filed = filed_.find(key);
            if (filed == filed_.end() || std::any_of(found.begin(), found.end(), [&key](const Learned& l) {
                    return l.routine->key == key;
                })) {
                continue;
            }
            found.push_back({&routine(filed->first, filed->second), key.id()});
        }
        std::stable_sort(found.begin(), found.end(), [](const Learned& a, const Learned& b) {
            if (a.routine->support != b.routine->support) {
                return a.routine->support > b.routine->support;
            }
            return text::compare(a.id, b.id) < 0;
        });
        std::vector<Routine> result;
        result.reserve(found.size());
        for (const Learned& entry : found) {
            result.push_back(*entry.routine);
        }
        return result;
    }

    // Adds the next episode in order to the history and files it.
    void add() {
        const std::size_t index = keys_.size();
        const Episode& episode = *sorted_[index];
        const bool hasClass = std::any_of(episode.context.events.begin(), episode.context.events.end(),
                                          [](const CalendarEvent& event) { return event.recurring; });
        const ContextKey::Moment& moment = moments_[index];

        std::vector<std::size_t> refile;
        for (std::size_t at = 0; at < episode.context.events.size(); ++at) {
            if (episode.context.events[at].recurring) {
                continue;
            }
            const std::string& title = moment.titles[at];
            auto& times = history_.titles[title];
            const std::size_t before = times.size();
            times.insert(episode.trigger.ts);
            auto& members = titleMembers_[title];
            // A title seen at a second moment becomes a key for the episodes that had it.
            if (before == 1 && times.size() == 2) {
                refile.insert(refile.end(), members.begin(), members.end());
            }
            if (!hasClass && (members.empty() || members.back() != index)) {
                members.push_back(index);
            }
        }

        bool rebuild = false;
        if (episode.context.location) {
            if (lastLocated_ && episode.trigger.ts < *lastLocated_) {
                // Anchors are made in trigger order; an episode that started after another but
                // was triggered before it reorders them all.
                rebuild = true;
            } else {
                const std::size_t anchor = history_.places.add(*episode.context.location);
                if (anchor == anchorMembers_.size()) {
                    anchorMembers_.emplace_back();
                }
                // An anchor visited a second time names its place for every episode in it.
                if (history_.places.anchors[anchor].count == Places::visitsForName) {
                    refile.insert(refile.end(), anchorMembers_[anchor].begin(), anchorMembers_[anchor].end());
                }
                anchorMembers_[anchor].push_back(index);
            }
            lastLocated_ = std::max(lastLocated_.value_or(episode.trigger.ts), episode.trigger.ts);
        }

        keys_.push_back(keyOf(index));
        fixed_.push_back(hasClass);
        file(index, keys_[index]);

        if (rebuild) {
            rebuildPlaces();
            for (std::size_t other = 0; other <= index; ++other) {
                refileOne(other);
            }
            return;
        }
        for (const std::size_t other : refile) {
            refileOne(other);
        }
    }

private:
    ContextKey keyOf(std::size_t index) const {
        const Episode& episode = *sorted_[index];
        return ContextKey::candidates(episode.context, episode.trigger.ts, moments_[index], history_).front();
    }

    const Routine& routine(const ContextKey& key, const std::vector<std::size_t>& indices) {
        auto cached = learned_.find(key);
        if (cached == learned_.end()) {
            std::vector<const Episode*> episodes;
            episodes.reserve(indices.size());
            for (const std::size_t index : indices) {
                episodes.push_back(sorted_[index]);
            }
            cached = learned_.emplace(key, RoutineLearner::routine(key, episodes, firstSeen_)).first;
        }
        return cached->second;
    }

    void file(std::size_t index, const ContextKey& key) {
        auto& indices = filed_[key];
        indices.insert(std::lower_bound(indices.begin(), indices.end(), index), index);
        learned_.erase(key);
    }

    void unfile(std::size_t index, const ContextKey& key) {
        const auto found = filed_.find(key);
        auto& indices = found->second;
        indices.erase(std::lower_bound(indices.begin(), indices.end(), index));
        if (indices.empty()) {
            filed_.erase(found);
        }
        learned_.erase(key);
    }

    // A class episode is always filed under its first class.
    void refileOne(std::size_t index) {
        if (fixed_[index]) {
            return;
        }
        ContextKey key = keyOf(index);
        if (key == keys_[index]) {
            return;
        }
        unfile(index, keys_[index]);
        file(index, key);
        keys_[index] = std::move(key);
    }

    void rebuildPlaces() {
        std::vector<std::size_t> located;
        for (std::size_t index = 0; index < keys_.size(); ++index) {
            if (sorted_[index]->context.location) {
                located.push_back(index);
            }
        }
        std::stable_sort(located.begin(), located.end(), [this](std::size_t a, std::size_t b) {
            return sorted_[a]->trigger.ts < sorted_[b]->trigger.ts;
        });
        history_.places = Places();
        anchorMembers_.clear();
        for (const std::size_t index : located) {
            const std::size_t anchor = history_.places.add(*sorted_[index]->context.location);
            if (anchor == anchorMembers_.size()) {
                anchorMembers_.emplace_back();
            }
            anchorMembers_[anchor].push_back(index);
        }
        for (auto& members : anchorMembers_) {
            std::sort(members.begin(), members.end());
        }
    }

    const std::vector<const Episode*>& sorted_;
    const RoutineLearner::FirstSeen firstSeen_;
    std::vector<ContextKey::Moment> moments_;

    ContextKey::History history_;
    std::optional<std::int64_t> lastLocated_; // the latest trigger among located episodes
    std::unordered_map<std::string, std::vector<std::size_t>, text::Hash, text::Equal> titleMembers_;
    std::vector<std::vector<std::size_t>> anchorMembers_;

    std::vector<ContextKey> keys_; // the key each episode so far is filed under
    std::vector<bool> fixed_;      // filed under a class, whatever the history
    std::unordered_map<ContextKey, std::vector<std::size_t>> filed_;
    std::unordered_map<ContextKey, Routine> learned_; // dropped whenever a key's episodes change
};

std::size_t shared(const ItemSet& a, const ItemSet& b) {
    return static_cast<std::size_t>(
        std::count_if(a.begin(), a.end(), [&b](const Item& item) { return b.contains(item); }));
}

} // namespace

std::vector<Item> EpisodeResult::actual() const {
    std::vector<std::string> predictedPages;
    if (predicted) {
        for (const Item& item : *predicted) {
            if (const auto* page = std::get_if<Item::Page>(&item.value())) {
                predictedPages.push_back(page->url);
            }
        }
    }
    std::vector<Item> result;
    result.reserve(episode.setup.broughtUp.size());
    for (const Item& item : episode.setup.broughtUp) {
        const auto* page = std::get_if<Item::Page>(&item.value());
        const auto prefix =
            page == nullptr
                ? predictedPages.end()
                : std::find_if(predictedPages.begin(), predictedPages.end(),
                               [page](const std::string& url) { return page->url.starts_with(url); });
        if (prefix == predictedPages.end()) {
            result.push_back(item);
        } else {
            result.push_back(Item::page(*prefix).value_or(item));
        }
    }
    return result;
}

std::optional<double> EpisodeResult::precision() const {
    if (!predicted || predicted->empty()) {
        return std::nullopt;
    }
    const ItemSet p(predicted->begin(), predicted->end());
    const std::vector<Item> brought = actual();
    const ItemSet a(brought.begin(), brought.end());
    return static_cast<double>(shared(p, a)) / static_cast<double>(p.size());
}

std::optional<double> EpisodeResult::recall() const {
    const std::vector<Item> brought = actual();
    if (!predicted || brought.empty()) {
        return std::nullopt;
    }
    const ItemSet p(predicted->begin(), predicted->end());
    const ItemSet a(brought.begin(), brought.end());
    return static_cast<double>(shared(a, p)) / static_cast<double>(a.size());
}

bool EpisodeResult::agreed() const {
    if (!predicted) {
        return false;
    }
    const std::vector<Item> brought = actual();
    return jaccard(ItemSet(predicted->begin(), predicted->end()), ItemSet(brought.begin(), brought.end())) >=
           agreeingSimilarity;
}

std::int64_t Report::suggestions() const {
    return std::count_if(episodes.begin(), episodes.end(),
                         [](const EpisodeResult& result) { return result.predicted.has_value(); });
}

std::optional<double> Report::coverage() const {
    std::unordered_set<std::string, text::Hash, text::Equal> seen;
    std::int64_t eligible = 0;
    std::int64_t covered = 0;
    for (const EpisodeResult& result : episodes) {
        const auto& events = result.episode.context.events;
        const auto first = std::find_if(events.begin(), events.end(),
                                        [](const CalendarEvent& event) { return event.recurring; });
        if (first == events.end()) {
            continue;
        }
        // The first episode of a class could not have been predicted from anything.
        if (seen.contains(first->key)) {
            ++eligible;
            if (result.predicted) {
                ++covered;
            }
        }
        seen.insert(first->key);
    }
    if (eligible == 0) {
        return std::nullopt;
    }
    return static_cast<double>(covered) / static_cast<double>(eligible);
}

std::optional<double> Report::accuracy() const {
    const std::int64_t suggested = suggestions();
    if (suggested == 0) {
        return std::nullopt;
    }
    const auto agreeing = std::count_if(episodes.begin(), episodes.end(), [](const EpisodeResult& result) {
        return result.predicted && result.agreed();
    });
    return static_cast<double>(agreeing) / static_cast<double>(suggested);
}

Report run(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
           const Calendar& calendar) {
    std::vector<const Episode*> sorted;
    sorted.reserve(episodes.size());
    for (const Episode& episode : episodes) {
        sorted.push_back(&episode);
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Episode* a, const Episode* b) { return a->start < b->start; });

    Past past(sorted, series, calendar);
    Report report;
    report.episodes.reserve(sorted.size());
    for (std::size_t index = 0; index < sorted.size(); ++index) {
        const Episode& episode = *sorted[index];
        // With no cues among learned routines, only those of the moment's candidate keys can be
        // chosen, and the planner keeps their relative order.
        const std::vector<ContextKey> candidates =
            ContextKey::candidates(episode.context, episode.trigger.ts, past.moment(index), past.history());
        const std::vector<Routine> routines = past.routines(candidates);
        const auto choice = Planner::choose(episode.trigger, episode.context, episode.context.open, routines,
                                            candidates, calendar);
        std::optional<std::vector<Item>> predicted;
        if (choice && choice->routine.trust != TrustLevel::observe) {
            predicted = choice->routine.items;
        }
        report.episodes.push_back({episode, std::move(predicted)});
        past.add();
    }
    return report;
}

} // namespace ostrel::Replay
