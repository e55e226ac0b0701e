#include "ReferenceEpisodeBuilder.hpp"
#include "core/browsing/TabPayload.hpp"
#include "core/episodes/EpisodeBuilder.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowsPayload.hpp"
#include "support/Printers.hpp"

#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60'000;

// Random histories over small vocabularies, so that items, runs, windows and snapshots keep
// meeting each other: every signal the builder reads (and a few it does not), payloads that
// decode, lack fields or do not decode at all, canonically equal texts written two ways, bursts of
// activity with quiet gaps between them, equal timestamps, and triggers that share a moment.
class RandomHistory {
public:
    RandomHistory(std::uint64_t seed, std::int64_t base) : random_(seed), base_(base) {}

    std::vector<SignalObservation> observations(int count) {
        std::vector<std::int64_t> bursts;
        for (int i = 0; i < 40; ++i) {
            bursts.push_back(at(between(0, 8 * 60) * minute));
        }
        std::vector<SignalObservation> result;
        for (int i = 0; i < count; ++i) {
            std::int64_t ts = saturatingAdd(pick(bursts), between(0, 15 * 60) * 1'000);
            if (chance(0.05)) {
                ts = saturatingAdd(ts, between(-5, 5)); // off the whole second, sometimes just across a bound
            }
            result.push_back(observation(ts));
        }
        // Some observations exactly at the triggers' moments and just around them.
        for (const Trigger& trigger : triggers_) {
            for (const std::int64_t offset :
                 std::initializer_list<std::int64_t>{0, 0, 1, 5'000, 240'000, 299'999, 300'000, -120'000}) {
                if (chance(0.5)) {
                    result.push_back(observation(saturatingAdd(trigger.ts, offset)));
                }
            }
        }
        std::shuffle(result.begin(), result.end(), random_);
        return result;
    }

    // Called first: the observations cluster around them.
    std::vector<Trigger> triggers(int count) {
        triggers_.clear();
        for (int i = 0; i < count; ++i) {
            const std::int64_t ts =
                !triggers_.empty() && chance(0.2) ? pick(triggers_).ts : at(between(0, 8 * 60) * minute);
            triggers_.push_back({ts, static_cast<Trigger::Kind>(between(0, 3))});
        }
        return triggers_;
    }

    std::vector<CalendarEvent> calendar(int count) {
        std::vector<CalendarEvent> result;
        for (int i = 0; i < count; ++i) {
            CalendarEvent event;
            event.key = "class-" + std::to_string(between(0, 3));
            event.occurrence = i;
            if (!triggers_.empty() && chance(0.5)) {
                // Right at the edges: ending at a trigger, starting exactly 15 minutes after one.
                const std::int64_t t = pick(triggers_).ts;
                event.start = chance(0.5) ? saturatingSub(t, 50 * minute)
                                          : saturatingAdd(t, 15 * minute + between(0, 1));
                event.end = chance(0.5) ? t : saturatingAdd(t, 60 * minute);
            } else {
                event.start = at(between(-60, 8 * 60) * minute);
                event.end = saturatingAdd(event.start, between(0, 180) * minute);
            }
            event.title = "Class";
            result.push_back(event);
        }
        return result;
    }

private:
    std::int64_t at(std::int64_t offset) const { return saturatingAdd(base_, offset); }
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    template <class T>
    T pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(values.size()) - 1))];
    }
    template <class T>
    std::optional<T> maybe(const std::vector<T>& values, double absent = 0.2) {
        if (chance(absent)) {
            return std::nullopt;
        }
        return pick(values);
    }

    std::optional<std::string> bundleID() {
        return maybe<std::string>(
            {"com.a", "com.b", "com.c", "com.apple.Notes", "Caf\u00E9", "Cafe\u0301", "x:y", ""}, 0.1);
    }
    AppPayload app() {
        if (chance(0.05)) {
            return AppPayload::excludedApp;
        }
        return AppPayload(bundleID(), "Name", std::nullopt, maybe<bool>({true, false}));
    }
    WindowPayload window() {
        WindowPayload w;
        w.bundleID = bundleID().value_or("com.a");
        w.document = maybe<std::string>({"/d/1", "/d/2", "/d/caf\u00E9", "/d/cafe\u0301", ""}, 0.5);
        w.title = maybe<std::string>({"T1", "T2", "Caf\u00E9", "Cafe\u0301", ""}, 0.4);
        if (chance(0.7)) {
            w.frame = WindowPayload::Frame{between(0, 3) * 720, 25, 720, between(400, 402)};
        }
        return w;
    }
    std::vector<std::string> itemIds() {
        static const std::vector<std::string> ids = {"app:com.a",       "app:com.b",
                                                     "app:Cafe\u0301",  "document:/d/1",
                                                     "page:https://a/", "note:com.apple.Notes:T1",
                                                     "app:com.c",       "document:/d/caf\u00E9"};
        std::vector<std::string> result;
        for (int i = between(0, 4); i > 0; --i) {
            result.push_back(pick(ids));
        }
        return result;
    }
    std::string runId() { return pick<std::string>({"run-1", "run-2", "run-3", "r\u00E9", "re\u0301"}); }

    std::string payload(const Signal& signal) {
        if (signal == Signal::appLaunch || signal == Signal::appActivate || signal == Signal::appHide ||
            signal == Signal::appUnhide || signal == Signal::appQuit) {
            return json::encodeRecord(app());
        }
        if (signal == Signal::appsRunning) {
            RunningAppsPayload running;
            for (int i = between(0, 4); i > 0; --i) {
                running.apps.push_back(app());
            }
            return json::encodeRecord(running);
        }
        if (signal.rawValue.starts_with("window.")) {
            return json::encodeRecord(window());
        }
        if (signal == Signal::windows) {
            WindowsPayload snapshot;
            for (int i = between(0, 4); i > 0; --i) {
                snapshot.windows.push_back(window());
            }
            return json::encodeRecord(snapshot);
        }
        if (signal == Signal::browserTab) {
            return json::encodeRecord(
                TabPayload{"a", maybe<std::string>({"https://a/", "https://b/", ""}), std::nullopt});
        }
        if (signal == Signal::audio) {
            return json::encodeRecord(AudioPayload(
                pick<std::string>({"speakers", "usb", "caf\u00E9", "cafe\u0301"}), "Out", "builtin",
                std::nullopt, maybe<double>({0.25, 0.5, 1}), maybe<bool>({true, false})));
        }
        if (signal == Signal::displays) {
            DisplaysPayload displays;
            for (int i = between(0, 3); i > 0; --i) {
                displays.displays.push_back({static_cast<std::uint32_t>(between(1, 12)),
                                             maybe<std::string>({"UUID-A", "UUID-B", "10"}, 0.4), "Screen", 0,
                                             0, 1440, 900, false, false});
            }
            return json::encodeRecord(displays);
        }
        if (signal == Signal::wifi) {
            return json::encodeRecord(
                WiFiPayload{maybe<std::string>({"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb"})});
        }
        if (signal == Signal::location) {
            return json::encodeRecord(LocationPayload{static_cast<double>(between(0, 3)), 2.35, 10});
        }
        if (signal == Signal::quevRun) {
            return json::encodeRecord(RunPayload{runId(), "slot:2:18:unknown", itemIds(), chance(0.5)});
        }
        if (signal == Signal::quevUndo || signal == Signal::quevTidy) {
            return json::encodeRecord(UndoPayload{runId()});
        }
        return "{}";
    }

    SignalObservation observation(std::int64_t ts) {
        // Weighted towards what a day holds most: app, window and tab events.
        static const std::vector<Signal> signals = {Signal::appActivate,
                                                    Signal::appActivate,
                                                    Signal::windowFocus,
                                                    Signal::windowFocus,
                                                    Signal::browserTab,
                                                    Signal::browserTab,
                                                    Signal::windowChange,
                                                    Signal::windowFrame,
                                                    Signal::appLaunch,
                                                    Signal::appQuit,
                                                    Signal::appHide,
                                                    Signal::appUnhide,
                                                    Signal::windowOpen,
                                                    Signal::windowClose,
                                                    Signal::windowMinimize,
                                                    Signal::windowUnminimize,
                                                    Signal::appsRunning,
                                                    Signal::windows,
                                                    Signal::displays,
                                                    Signal::wifi,
                                                    Signal::location,
                                                    Signal::audio,
                                                    Signal::audio,
                                                    Signal::quevRun,
                                                    Signal::quevRun,
                                                    Signal::quevUndo,
                                                    Signal::quevTidy,
                                                    Signal::sleep,
                                                    Signal::lock,
                                                    Signal::wake,
                                                    Signal::unlock,
                                                    Signal::userIdle,
                                                    Signal::power,
                                                    Signal::quevAnswer,
                                                    Signal{"some.future.signal"}};
        const Signal signal = pick(signals);
        const double roll = std::uniform_real_distribution<double>(0, 1)(random_);
        if (roll < 0.05) {
            return {ts, signal, "{\"bundleID\":"}; // not JSON
        }
        if (roll < 0.08) {
            return {ts, signal, "[]"}; // JSON, but no record
        }
        if (roll < 0.11) {
            return {ts, signal, "{}"}; // a record only when every field is optional
        }
        return {ts, signal, payload(signal)};
    }

    std::mt19937_64 random_;
    std::int64_t base_;
    std::vector<Trigger> triggers_;
};

struct Coverage {
    int broughtUp = 0, carried = 0, putAway = 0, layout = 0, settings = 0, events = 0, location = 0,
        network = 0, displays = 0, shortEpisodes = 0;

    void count(const Episode& episode) {
        broughtUp += !episode.setup.broughtUp.empty();
        carried += !episode.setup.carried.empty();
        putAway += !episode.setup.putAway.empty();
        layout += !episode.setup.layout.empty();
        settings += !episode.setup.settings.empty();
        events += !episode.context.events.empty();
        location += episode.context.location.has_value();
        network += episode.context.network.has_value();
        displays += !episode.context.displays.empty();
        shortEpisodes += episode.end - episode.start < 5 * minute;
    }
};

TEST(EpisodeBuilder, AgreesWithThePlainVersionOnRandomHistories) {
    struct Run {
        std::uint64_t seed;
        std::int64_t base;
    };
    const Run runs[] = {
        {1, 1'700'000'000'000},
        {2, 1'700'000'000'000},
        {3, 1'710'000'000'000},
        {4, 0},
        {5, 1'700'000'000'000},
        // Bounds past the ends of int64 must saturate alike in both.
        {6, std::numeric_limits<std::int64_t>::max() - 9 * 60 * minute},
        {7, std::numeric_limits<std::int64_t>::min() + 5'000},
    };
    Coverage coverage;
    for (const Run& run : runs) {
        RandomHistory history(run.seed, run.base);
        const auto triggers = history.triggers(14);
        const auto observations = history.observations(3'000);
        const auto calendar = history.calendar(12);
        const auto built = EpisodeBuilder::episodes(triggers, observations, calendar);
        ASSERT_EQ(built.size(), triggers.size()) << "seed " << run.seed;
        const auto expected = reference::episodes(triggers, observations, calendar);
        for (std::size_t i = 0; i < built.size(); ++i) {
            EXPECT_EQ(built[i], expected[i]) << "seed " << run.seed << ", episode " << i;
            coverage.count(built[i]);
        }
    }
    // The histories reach every part of an episode, so agreement means something.
    for (const int filled :
         {coverage.broughtUp, coverage.carried, coverage.putAway, coverage.layout, coverage.settings,
          coverage.events, coverage.location, coverage.network, coverage.displays, coverage.shortEpisodes}) {
        EXPECT_GT(filled, 0);
    }
}

} // namespace
} // namespace ostrel
