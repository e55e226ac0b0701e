#pragma once

// Term-long histories of episodes made from a seed, for tests and benchmarks that need many
// episodes with the shapes real ones have: weekly classes with their own items, arrivals at the
// same places and networks, one-off events whose titles come back, deeper pages of the pages a
// routine opens, and noise that drops and adds items. Header-only so that benchmarks can use it.

#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "core/foundation/Calendar.hpp"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ostrel::test {

struct RandomHistory {
    std::vector<Episode> episodes; // in no particular order
    std::vector<CalendarSeries> series;
};

struct RandomHistoryOptions {
    std::size_t episodes = 200;
    double noise = 0.2;                    // chance an item is dropped, and of each extra item
    double located = 0.5;                  // share of arrivals with a location
    double misordered = 0.0;               // share of episodes whose start is not their trigger time
    std::int64_t firstDay = 1725148800000; // 2024-09-01T00:00:00Z
};

inline RandomHistory makeRandomHistory(std::uint32_t seed, const RandomHistoryOptions& options = {}) {
    std::mt19937 random(seed);
    const auto chance = [&random](double p) {
        return std::uniform_real_distribution<double>(0, 1)(random) < p;
    };
    const auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };

    constexpr std::int64_t minute = 60000;
    constexpr std::int64_t day = 1440 * minute;
    const std::vector<std::string> domains = {"https://moodle.uni.example/course/",
                                              "https://www.docs.example/d/", "https://lib.example/"};
    const auto page = [&](std::size_t group, std::size_t n) {
        return *Item::page(domains[group % domains.size()] + std::to_string(n));
    };
    const auto app = [](std::size_t n) { return *Item::app("com.example.app" + std::to_string(n)); };
    const auto document = [](std::size_t n) {
        return *Item::document("/home/s/Notes/" + std::to_string(n) + ".txt");
    };

    struct Routine {
        std::vector<Item> items;
    };
    // Classes: a weekday, a half hour, a series and what the student opens for it.
    struct Class {
        std::string key;
        std::string title;
        int weekday; // days after the first day
        std::int64_t minuteOfDay;
        Routine routine;
    };
    RandomHistory history;
    std::vector<Class> classes;
    const std::size_t classCount = 3 + pick(4);
    for (std::size_t c = 0; c < classCount; ++c) {
        Class made{"series-" + std::to_string(c),
                   "Lecture " + std::to_string(c) + " Room 12",
                   static_cast<int>(pick(5)),
                   static_cast<std::int64_t>(8 * 60 + 30 * pick(16)),
                   {}};
        made.routine.items = {app(c), page(c, c * 10)};
        if (chance(0.5)) {
            made.routine.items.push_back(document(c));
        }
        classes.push_back(made);
        // Some classes were on the calendar before their first episode.
        if (chance(0.7)) {
            history.series.push_back(
                {made.key, made.title, options.firstDay - (chance(0.5) ? day : -30 * day)});
        }
    }
    struct Place {
        double latitude;
        double longitude;
        std::string network;
        Routine routine;
    };
    std::vector<Place> places = {{52.5200, 13.4050, "a1b2c3d4e5f60718", {{app(20), page(1, 200)}}},
                                 {52.4550, 13.2900, "0f1e2d3c4b5a6978", {{app(21), document(21)}}},
                                 {48.1372, 11.5756, "9988776655443322", {{app(22)}}}};
    const std::vector<std::string> oneOffTitles = {"Office hours", "Study group 3", "Exam review",
                                                   "Office Hours 12/3", "2024"};

    for (std::size_t i = 0; i < options.episodes; ++i) {
        Episode episode;
        const std::int64_t dayStart = options.firstDay + static_cast<std::int64_t>(pick(120)) * day;
        Routine routine;
        if (chance(0.55)) {
            const Class& c = classes[pick(classes.size())];
            const std::int64_t week = static_cast<std::int64_t>(pick(16));
            const std::int64_t ts = options.firstDay + (week * 7 + c.weekday) * day + c.minuteOfDay * minute;
            episode.trigger = {ts, chance(0.7) ? Trigger::Kind::eventStart : Trigger::Kind::unlock};
            episode.context.events.push_back(
                {c.key, ts, true, c.title, ts, ts + 90 * minute, std::nullopt, "Uni", {}});
            routine = c.routine;
        } else {
            const std::int64_t ts = dayStart + static_cast<std::int64_t>(6 * 60 + pick(16 * 60)) * minute;
            const Trigger::Kind kinds[] = {Trigger::Kind::wake, Trigger::Kind::unlock, Trigger::Kind::login};
            episode.trigger = {ts, kinds[pick(3)]};
            const Place& place = places[pick(places.size())];
            if (chance(options.located)) {
                const double jitter = (static_cast<double>(pick(100)) - 50.0) * 1e-5;
                episode.context.location =
                    LocationPayload{place.latitude + jitter, place.longitude - jitter, 20};
            }
            if (chance(0.8)) {
                episode.context.network = place.network;
            }
            routine = place.routine;
            if (chance(0.15)) {
                const std::string& title = oneOffTitles[pick(oneOffTitles.size())];
                episode.context.events.push_back({"once-" + std::to_string(i),
                                                  ts,
                                                  false,
                                                  title,
                                                  ts,
                                                  ts + 60 * minute,
                                                  std::nullopt,
                                                  "Uni",
                                                  {}});
                routine.items = {app(30 + title.size() % 3), document(30 + title.size() % 3)};
            }
        }
        episode.start = episode.trigger.ts;
        if (chance(options.misordered)) {
            episode.start += static_cast<std::int64_t>(pick(240)) * minute - 120 * minute;
        }
        episode.end = episode.start + 20 * minute;
        if (chance(0.3)) {
            episode.context.displays = {"37D8832A-2D66-02CA-B9F7-8F30A301B230"};
        }
        for (const Item& item : routine.items) {
            if (chance(options.noise)) {
                continue;
            }
            // Deeper pages of the routine's pages are what a student really opens.
            const auto* asPage = std::get_if<Item::Page>(&item.value());
            Item used = asPage != nullptr && chance(0.3)
                            ? *Item::page(asPage->url + "/week" + std::to_string(pick(4)))
                            : item;
            if (chance(0.15)) {
                episode.setup.carried.push_back(used);
                episode.context.open.push_back(used);
            } else {
                episode.setup.broughtUp.push_back(used);
            }
        }
        while (chance(options.noise)) {
            episode.setup.broughtUp.push_back(chance(0.5) ? app(40 + pick(10))
                                                          : page(pick(3), 900 + pick(30)));
        }
        history.episodes.push_back(std::move(episode));
    }
    return history;
}

} // namespace ostrel::test
