#include "core/episodes/EpisodeBuilder.hpp"

#include "ReferenceEpisodeBuilder.hpp"
#include "core/browsing/TabPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowsPayload.hpp"
#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace eb = EpisodeBuilder;
using Observations = std::vector<SignalObservation>;
using Items = std::vector<Item>;
using Frame = WindowPayload::Frame;

constexpr std::int64_t second = 1'000;
constexpr std::int64_t minute = 60'000;
constexpr std::int64_t T = 1'700'000'000'000; // the trigger of most cases
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

// ---- Observations -----------------------------------------------------------------------------

SignalObservation appEvent(const Signal& signal, std::int64_t ts, const std::string& bundleID) {
    return {ts, signal, json::encodeRecord(AppPayload(bundleID, "Name", std::nullopt, std::nullopt))};
}
SignalObservation activate(std::int64_t ts, const std::string& bundleID) {
    return appEvent(Signal::appActivate, ts, bundleID);
}
SignalObservation launch(std::int64_t ts, const std::string& bundleID) {
    return appEvent(Signal::appLaunch, ts, bundleID);
}
SignalObservation quit(std::int64_t ts, const std::string& bundleID) {
    return appEvent(Signal::appQuit, ts, bundleID);
}
SignalObservation hide(std::int64_t ts, const std::string& bundleID) {
    return appEvent(Signal::appHide, ts, bundleID);
}
SignalObservation mark(const Signal& signal, std::int64_t ts) {
    return {ts, signal, "{}"};
}
SignalObservation undecodable(const Signal& signal, std::int64_t ts) {
    return {ts, signal, "{\"bundleID\":"};
}

WindowPayload window(std::string bundleID, std::optional<std::string> document,
                     std::optional<std::string> title, std::optional<Frame> frame = std::nullopt) {
    return {std::move(bundleID), std::move(document), std::move(title), frame, std::nullopt};
}
SignalObservation windowEvent(const Signal& signal, std::int64_t ts, const WindowPayload& payload) {
    return {ts, signal, json::encodeRecord(payload)};
}
SignalObservation tab(std::int64_t ts, const std::string& url) {
    return {ts, Signal::browserTab, json::encodeRecord(TabPayload{"site", url, std::nullopt})};
}
SignalObservation running(std::int64_t ts, const std::vector<std::string>& bundleIDs) {
    RunningAppsPayload payload;
    for (const std::string& bundleID : bundleIDs) {
        payload.apps.emplace_back(bundleID, "Name", std::nullopt, false);
    }
    payload.apps.push_back(AppPayload::excludedApp); // no bundle id: no app
    return {ts, Signal::appsRunning, json::encodeRecord(payload)};
}
SignalObservation windows(std::int64_t ts, std::vector<WindowPayload> list) {
    return {ts, Signal::windows, json::encodeRecord(WindowsPayload{std::move(list)})};
}
SignalObservation run(std::int64_t ts, const std::string& id, std::vector<std::string> items) {
    return {ts, Signal::quevRun,
            json::encodeRecord(RunPayload{id, "slot:2:18:unknown", std::move(items), true})};
}
SignalObservation undo(std::int64_t ts, const std::string& id, const Signal& signal = Signal::quevUndo) {
    return {ts, signal, json::encodeRecord(UndoPayload{id})};
}
SignalObservation audio(std::int64_t ts, const std::string& device, std::optional<double> volume,
                        std::optional<bool> muted) {
    return {ts, Signal::audio,
            json::encodeRecord(AudioPayload(device, "Speakers", "builtin", std::nullopt, volume, muted))};
}
SignalObservation location(std::int64_t ts, double latitude) {
    return {ts, Signal::location, json::encodeRecord(LocationPayload{latitude, 2.35, 10})};
}
SignalObservation wifi(std::int64_t ts, std::optional<std::string> network) {
    return {ts, Signal::wifi, json::encodeRecord(WiFiPayload{std::move(network)})};
}
SignalObservation displays(std::int64_t ts,
                           const std::vector<std::pair<std::uint32_t, std::optional<std::string>>>& list) {
    DisplaysPayload payload;
    for (const auto& [id, uuid] : list) {
        payload.displays.push_back({id, uuid, "Display", 0, 0, 1440, 900, false, false});
    }
    return {ts, Signal::displays, json::encodeRecord(payload)};
}

using test::app;
using test::document;
using test::note;
using test::page;

// The product's builder, after checking that the plain version agrees with it on the case.
std::vector<Episode> build(const std::vector<Trigger>& triggers, const Observations& observations,
                           const std::vector<CalendarEvent>& calendar = {}) {
    auto built = eb::episodes(triggers, observations, calendar);
    EXPECT_EQ(built, reference::episodes(triggers, observations, calendar));
    return built;
}

Episode only(const Observations& observations, const std::vector<CalendarEvent>& calendar = {}) {
    auto built = build({{T, Trigger::Kind::unlock}}, observations, calendar);
    EXPECT_EQ(built.size(), 1u);
    return built.empty() ? Episode{} : built.front();
}

// ---- Pure steps -------------------------------------------------------------------------------

TEST(EpisodeBuilder, EndStopsAtTheFirstTenMinuteGapOrAtACloseBoundary) {
    struct Case {
        const char* name;
        std::int64_t after;
        std::optional<std::int64_t> before;
        std::vector<std::int64_t> activity;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"nothing at all", T, std::nullopt, {}, T},
        {"boundary 9:59.999 away", T, T + 10 * minute - 1, {}, T + 10 * minute - 1},
        {"boundary exactly 10 min away", T, T + 10 * minute, {}, T},
        {"an 11-minute gap ends it",
         T,
         std::nullopt,
         {T + minute, T + 5 * minute, T + 16 * minute},
         T + 5 * minute},
        {"a gap of exactly 10 min ends it", T, std::nullopt, {T + 10 * minute}, T},
        {"a gap just under 10 min does not", T, std::nullopt, {T + 10 * minute - 1}, T + 10 * minute - 1},
        {"sleep 9:59.999 after the last activity", T, T + 11 * minute - 1, {T + minute}, T + 11 * minute - 1},
        {"sleep 10 min after the last activity", T, T + 11 * minute, {T + minute}, T + minute},
        {"a gap stops the walk before the boundary", T, T + 17 * minute, {T + 12 * minute}, T},
        {"the whole int64 range as a gap", int64Min, std::nullopt, {int64Max - 1}, int64Min},
        {"a boundary a whole int64 range away", int64Min, int64Max, {}, int64Min},
        {"activity up to the top of int64",
         int64Max - 2 * minute,
         int64Max - 1,
         {int64Max - minute},
         int64Max - 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eb::end(c.after, c.before, c.activity), c.expected) << c.name;
    }
}

TEST(EpisodeBuilder, SetupWindowWidensOnlyForABringUpInItsLastMinute) {
    const auto at = [](std::int64_t ts) { return eb::BringUp{ts, app("com.apple.Safari")}; };
    struct Case {
        const char* name;
        std::int64_t trigger;
        std::int64_t episodeEnd;
        std::vector<eb::BringUp> bringUps;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"no bring-ups", T, T + 60 * minute, {}, T + 5 * minute},
        {"at 4:30", T, T + 60 * minute, {at(T + 270 * second)}, T + 8 * minute},
        {"at 4:00 exactly", T, T + 60 * minute, {at(T + 240'000)}, T + 8 * minute},
        {"at 3:59.999", T, T + 60 * minute, {at(T + 239'999)}, T + 5 * minute},
        {"at 4:59.999", T, T + 60 * minute, {at(T + 299'999)}, T + 8 * minute},
        {"at 5:00 exactly", T, T + 60 * minute, {at(T + 300'000)}, T + 5 * minute},
        {"before the trigger", T, T + 60 * minute, {at(T - 270 * second)}, T + 5 * minute},
        {"one of several",
         T,
         T + 60 * minute,
         {at(T + minute), at(T + 250'000), at(T + 7 * minute)},
         T + 8 * minute},
        {"never past the episode's end", T, T + 6 * minute, {at(T + 270 * second)}, T + 6 * minute},
        {"an episode shorter than the window", T, T + minute, {}, T + minute},
        {"at the top of int64", int64Max - minute, int64Max, {}, int64Max},
        {"a bring-up a whole int64 range away", int64Min, int64Max, {at(int64Max)}, int64Min + 5 * minute},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eb::setupWindowEnd(c.trigger, c.episodeEnd, c.bringUps), c.expected) << c.name;
    }
}

TEST(EpisodeBuilder, UniqueKeepsFirstOccurrencesAndComparesAsUnicodeText) {
    EXPECT_EQ(
        eb::unique(Items{app("b"), app("a"), app("b"), note("Caf\u00E9"), note("Cafe\u0301"), document("a")}),
        (Items{app("b"), app("a"), note("Caf\u00E9"), document("a")}));
    EXPECT_EQ(eb::unique(std::vector<std::string>{"x", "Caf\u00E9", "y", "Cafe\u0301", "x"}),
              (std::vector<std::string>{"x", "Caf\u00E9", "y"}));
}

// ---- Episodes ---------------------------------------------------------------------------------

TEST(EpisodeBuilder, NoTriggersGiveNoEpisodes) {
    EXPECT_TRUE(build({}, {activate(T, "com.apple.Safari"), mark(Signal::lock, T + 1)}).empty());
}

TEST(EpisodeBuilder, EpisodesComeInTriggerOrderWhateverTheInputOrder) {
    const Observations observations = {activate(T + 20 * minute + 1, "b"), activate(T + 1, "a")};
    const auto built =
        build({{T + 20 * minute, Trigger::Kind::wake}, {T, Trigger::Kind::unlock}}, observations);
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[0].trigger, (Trigger{T, Trigger::Kind::unlock}));
    EXPECT_EQ(built[0].setup.broughtUp, Items{app("a")});
    EXPECT_EQ(built[1].trigger, (Trigger{T + 20 * minute, Trigger::Kind::wake}));
    EXPECT_EQ(built[1].start, T + 20 * minute);
    EXPECT_EQ(built[1].setup.broughtUp, Items{app("b")});
}

TEST(EpisodeBuilder, BoundariesEndEpisodes) {
    struct Case {
        const char* name;
        std::vector<Trigger> triggers;
        Observations observations;
        std::vector<std::int64_t> ends;
    };
    const Trigger first{T, Trigger::Kind::unlock};
    const Case cases[] = {
        {"a lock at the trigger is no boundary",
         {first},
         {mark(Signal::lock, T), activate(T + minute, "a")},
         {T + minute}},
        {"a lock 1 ms after it is", {first}, {mark(Signal::lock, T + 1), activate(T + minute, "a")}, {T + 1}},
        {"a sleep 10:59.999 in, a minute after the last activity",
         {first},
         {activate(T + minute, "a"), mark(Signal::sleep, T + 11 * minute - 1)},
         {T + 11 * minute - 1}},
        {"a sleep 11 min in",
         {first},
         {activate(T + minute, "a"), mark(Signal::sleep, T + 11 * minute)},
         {T + minute}},
        {"activity after the boundary does not count",
         {first},
         {activate(T + minute, "a"), mark(Signal::lock, T + 2 * minute), activate(T + 3 * minute, "b")},
         {T + 2 * minute}},
        {"the next trigger 9 min later",
         {first, {T + 9 * minute, Trigger::Kind::wake}},
         {},
         {T + 9 * minute, T + 9 * minute}},
        {"the next trigger 10 min later",
         {first, {T + 10 * minute, Trigger::Kind::wake}},
         {},
         {T, T + 10 * minute}},
        {"a sleep after the next trigger belongs to that one",
         {first, {T + 3 * minute, Trigger::Kind::wake}},
         {mark(Signal::sleep, T + 4 * minute)},
         {T + 3 * minute, T + 4 * minute}},
        {"two triggers at one moment",
         {first, {T, Trigger::Kind::eventStart}},
         {activate(T, "a"), activate(T + minute, "b")},
         {T, T + minute}},
        {"other signals are not activity",
         {first},
         {audio(T + minute, "speakers", 0.5, false), mark(Signal::userActive, T + 2 * minute)},
         {T}},
    };
    for (const Case& c : cases) {
        const auto built = build(c.triggers, c.observations);
        std::vector<std::int64_t> ends;
        for (const Episode& episode : built) {
            ends.push_back(episode.end);
        }
        EXPECT_EQ(ends, c.ends) << c.name;
    }
}

TEST(EpisodeBuilder, TwoTriggersAtOneMomentGiveTheFirstOnlyThatInstant) {
    const auto built = build({{T, Trigger::Kind::unlock}, {T, Trigger::Kind::eventStart}},
                             {activate(T - 1, "before"), activate(T, "a"), tab(T, "https://a.example/"),
                              activate(T + minute, "b")});
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[0].end, T);
    EXPECT_EQ(built[0].setup.broughtUp, (Items{app("a"), page("https://a.example/")}));
    EXPECT_EQ(built[1].setup.broughtUp, (Items{app("a"), page("https://a.example/"), app("b")}));
}

TEST(EpisodeBuilder, BroughtUpFollowsTheSetupWindow) {
    // Activity every minute keeps the episode going well past the widest window.
    Observations steady;
    for (std::int64_t m = 1; m <= 12; ++m) {
        steady.push_back(mark(Signal::windowFrame, T + m * minute - 500));
    }
    const auto with = [&steady](Observations extra) {
        extra.insert(extra.end(), steady.begin(), steady.end());
        return extra;
    };
    struct Case {
        const char* name;
        Observations observations;
        Items broughtUp;
    };
    const Case cases[] = {
        {"a bring-up at 4:30 widens the window to 8 min",
         with({activate(T + 270 * second, "a"), activate(T + 7 * minute, "b"),
               activate(T + 8 * minute + 1, "c")}),
         {app("a"), app("b")}},
        {"one at 3:59.999 does not",
         with({activate(T + 240'000 - 1, "a"), activate(T + 7 * minute, "b")}),
         {app("a")}},
        {"one at exactly 5:00 does not widen but counts",
         with({activate(T + 5 * minute, "a"), activate(T + 7 * minute, "b")}),
         {app("a")}},
        {"first-seen order, no repeats",
         with({activate(T + 1, "a"), tab(T + 2, "https://b.example/x"), activate(T + 3, "a"),
               windowEvent(Signal::windowFocus, T + 4, window("com.apple.Notes", std::nullopt, "Week 3")),
               windowEvent(Signal::windowChange, T + 5,
                           window("com.apple.Preview", "/tmp/a.pdf", "ignored"))}),
         {app("a"), page("https://b.example/x"), note("Week 3"), document("/tmp/a.pdf")}},
        {"a bring-up just before the trigger is not in it", with({activate(T - 1, "a")}), {}},
        {"payloads without an item bring nothing up",
         with(
             {appEvent(Signal::appActivate, T + 1, ""),
              mark(Signal::appActivate, T + 2),
              undecodable(Signal::appActivate, T + 3),
              tab(T + 4, ""),
              {T + 5, Signal::browserTab, json::encodeRecord(TabPayload{"site", std::nullopt, std::nullopt})},
              windowEvent(Signal::windowFocus, T + 6,
                          window("com.apple.TextEdit", std::nullopt, std::nullopt)),
              windowEvent(Signal::windowFocus, T + 7, window("odd:app", std::nullopt, "Title")),
              windowEvent(Signal::windowOpen, T + 8,
                          window("com.apple.Preview", "/tmp/b.pdf", std::nullopt))}),
         {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(only(c.observations).setup.broughtUp, c.broughtUp) << c.name;
    }
}

TEST(EpisodeBuilder, BringUpsOfUndoneRunsAreDiscounted) {
    const std::int64_t r = T + minute;
    const auto after = [r](std::int64_t offset, Observations extra = {}) {
        Observations observations = {run(r, "run-1", {"app:com.apple.Safari", "page:https://a.example/"}),
                                     undo(r + 30 * second, "run-1")};
        observations.push_back(activate(r + offset, "com.apple.Safari"));
        observations.insert(observations.end(), extra.begin(), extra.end());
        return observations;
    };
    struct Case {
        const char* name;
        Observations observations;
        Items broughtUp;
    };
    const Case cases[] = {
        {"at the run", after(0), {}},
        {"20 s after it", after(20'000), {}},
        {"20.001 s after it", after(20'001), {app("com.apple.Safari")}},
        {"1 ms before it", after(-1), {app("com.apple.Safari")}},
        {"an item the run did not open",
         after(5'000, {activate(r + 6'000, "com.apple.Mail")}),
         {app("com.apple.Mail")}},
        {"a page the run opened",
         after(-1, {tab(r + 5'000, "https://a.example/")}),
         {app("com.apple.Safari")}},
        {"a run that was not undone",
         {run(r, "run-1", {"app:com.apple.Safari"}), undo(r + 1, "run-2"),
          activate(r + 1'000, "com.apple.Safari")},
         {app("com.apple.Safari")}},
        {"a tidy-up is no undo",
         {run(r, "run-1", {"app:com.apple.Safari"}), undo(r + 1, "run-1", Signal::quevTidy),
          activate(r + 1'000, "com.apple.Safari")},
         {app("com.apple.Safari")}},
        {"an undo recorded before the run still counts",
         {undo(r - 1, "run-1"), run(r, "run-1", {"app:com.apple.Safari"}),
          activate(r + 1'000, "com.apple.Safari")},
         {}},
        {"undecodable runs and undos count for nothing",
         {undecodable(Signal::quevRun, r), undecodable(Signal::quevUndo, r),
          run(r, "run-1", {"app:com.apple.Safari"}), activate(r + 1'000, "com.apple.Safari")},
         {app("com.apple.Safari")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(only(c.observations).setup.broughtUp, c.broughtUp) << c.name;
    }
}

TEST(EpisodeBuilder, OpenItemsReplayEventsAfterTheLastSnapshot) {
    const Frame frame{0, 0, 800, 600};
    struct Case {
        const char* name;
        Observations observations;
        Items open;
    };
    const Case cases[] = {
        {"nothing known", {}, {}},
        {"a snapshot 3 s after the trigger counts",
         {running(T - minute, {"old"}), running(T + 3 * second, {"a", "b"})},
         {app("a"), app("b")}},
        {"a launch 2 s after the trigger is not applied",
         {running(T - minute, {"a"}), launch(T + 2 * second, "late")},
         {app("a")}},
        {"a snapshot 5 s after counts, 5.001 s does not",
         {running(T - minute, {"a"}), running(T + 5 * second, {"b"}), running(T + 5 * second + 1, {"c"})},
         {app("b")}},
        {"launches after the snapshot up to the trigger are applied",
         {running(T - minute, {"a"}), launch(T - 30 * second, "b"), launch(T - 20 * second, "a"),
          launch(T, "c"), launch(T + 1, "d")},
         {app("a"), app("b"), app("c")}},
        {"a launch before the snapshot is already in it or gone",
         {launch(T - 2 * minute, "gone"), running(T - minute, {"a"})},
         {app("a")}},
        {"without any snapshot every launch and quit counts",
         {launch(T - 3 * minute, "a"), launch(T - 2 * minute, "b"), quit(T - minute, "a")},
         {app("b")}},
        {"an event listed after the snapshot at the same moment is applied",
         {running(T - minute, {"a"}), quit(T - minute, "a")},
         {}},
        {"one listed before it is not", {quit(T - minute, "a"), running(T - minute, {"a"})}, {app("a")}},
        {"a quit removes the app and its windows",
         {running(T - minute, {"com.apple.Preview", "com.apple.Notes"}),
          windows(T - minute, {window("com.apple.Preview", "/tmp/a.pdf", std::nullopt),
                               window("com.apple.Notes", std::nullopt, "Week 3")}),
          quit(T - 30 * second, "com.apple.Preview")},
         {app("com.apple.Notes"), note("Week 3")}},
        {"a close removes only the windows with that document or title",
         {windows(T - minute, {window("com.apple.Preview", "/tmp/a.pdf", std::nullopt),
                               window("com.apple.Preview", "/tmp/b.pdf", std::nullopt),
                               window("com.apple.Notes", std::nullopt, "Week 3")}),
          windowEvent(Signal::windowOpen, T - 40 * second, window("com.apple.Notes", std::nullopt, "Week 4")),
          windowEvent(Signal::windowOpen, T - 40 * second,
                      window("com.apple.Preview", "/tmp/a.pdf", std::nullopt, frame)),
          windowEvent(Signal::windowClose, T - 30 * second,
                      window("com.apple.Preview", "/tmp/a.pdf", std::nullopt)),
          windowEvent(Signal::windowClose, T - 20 * second,
                      window("com.apple.TextEdit", "/tmp/b.pdf", std::nullopt))},
         {document("/tmp/b.pdf"), note("Week 3"), note("Week 4")}},
        {"windows without document or title close each other and give no item",
         {windows(T - minute, {window("com.apple.Finder", std::nullopt, std::nullopt),
                               window("com.apple.Finder", "/tmp/c.txt", std::nullopt)}),
          windowEvent(Signal::windowClose, T - 30 * second,
                      window("com.apple.Finder", std::nullopt, std::nullopt))},
         {document("/tmp/c.txt")}},
        {"a quit listed before the windows snapshot leaves the windows it lists",
         {running(T - minute, {"com.apple.Preview"}), quit(T - 50 * second, "com.apple.Preview"),
          windows(T - 40 * second, {window("com.apple.Preview", "/tmp/a.pdf", std::nullopt)})},
         {document("/tmp/a.pdf")}},
        {"a quit listed after the windows snapshot closes its windows",
         {windows(T - minute, {window("com.apple.Preview", "/tmp/a.pdf", std::nullopt)}),
          quit(T - 50 * second, "com.apple.Preview"), running(T - 40 * second, {"com.apple.Preview"})},
         {app("com.apple.Preview")}},
        {"an undecodable snapshot is empty, the earlier one is not tried",
         {running(T - 2 * minute, {"a"}), undecodable(Signal::appsRunning, T - minute),
          launch(T - 30 * second, "b")},
         {app("b")}},
        {"apps first, then documents and notes, without repeats",
         {windows(T - minute, {window("com.apple.Notes", std::nullopt, "Week 3"),
                               window("com.apple.Notes", std::nullopt, "Week 3")}),
          running(T - minute, {"com.apple.Notes", "com.apple.Notes"})},
         {app("com.apple.Notes"), note("Week 3")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(only(c.observations).context.open, c.open) << c.name;
    }
}

TEST(EpisodeBuilder, OpenItemsDoNotDependOnEarlierQueriesOfTheSameTimeline) {
    // The replay carried from one moment to the next must start again when asked about an earlier
    // moment or another snapshot.
    const Observations observations = {
        launch(T - 10 * minute, "a"), launch(T - 9 * minute, "b"), running(T - 5 * minute, {"c"}),
        launch(T - 4 * minute, "d"),  quit(T - 3 * minute, "c"),   running(T + 2 * minute, {"e"}),
        launch(T + 3 * minute, "f"),  quit(T + 4 * minute, "e"),
    };
    // Later then earlier over the same snapshot, then across snapshots both ways.
    const std::int64_t moments[] = {T,
                                    T - 3 * minute,
                                    T - 4 * minute - 1,
                                    T - 9 * minute,
                                    T + 4 * minute,
                                    T + 3 * minute,
                                    T - 20 * minute,
                                    T - 3 * minute - 6 * second};
    const eb::Timeline shared(observations);
    for (const std::int64_t at : moments) {
        const eb::Timeline fresh(observations);
        EXPECT_EQ(eb::openItems(at, shared), eb::openItems(at, fresh)) << (at - T) / second << " s";
    }
    EXPECT_EQ(eb::openItems(T - 9 * minute, shared), (Items{app("a"), app("b")}));
    EXPECT_EQ(eb::openItems(T + 4 * minute, shared), (Items{app("f")}));
}

TEST(EpisodeBuilder, CarriedIsWhatWasOpenAndNotBroughtUp) {
    const Episode episode = only(
        {running(T - minute, {"a", "b", "c"}), activate(T + minute, "b"), activate(T + 2 * minute, "d")});
    EXPECT_EQ(episode.context.open, (Items{app("a"), app("b"), app("c")}));
    EXPECT_EQ(episode.setup.broughtUp, (Items{app("b"), app("d")}));
    EXPECT_EQ(episode.setup.carried, (Items{app("a"), app("c")}));
}

TEST(EpisodeBuilder, ContextDescribesTheMomentOfTheTrigger) {
    const auto event = [](std::string key, std::int64_t start, std::int64_t end) {
        CalendarEvent e;
        e.key = std::move(key);
        e.start = start;
        e.end = end;
        return e;
    };
    const std::vector<CalendarEvent> calendar = {
        event("later", T + 15 * minute, T + 75 * minute),
        event("too late", T + 15 * minute + 1, T + 20 * minute),
        event("ended", T - 60 * minute, T),
        event("ongoing", T - 30 * minute, T + 1),
        event("long", T - 600 * minute, T + 600 * minute),
    };
    const Episode episode =
        only({displays(T - 2 * minute, {{1, "OLD"}}),
              displays(T + 5 * second, {{9, std::nullopt}, {10, std::nullopt}, {3, "B-UUID"}, {4, "A-UUID"}}),
              displays(T + 5 * second + 1, {{5, "NEWER"}}), wifi(T - minute, "0123456789abcdef"),
              location(T - 100 * second, 48.1), location(T + 10 * second, 48.2)},
             calendar);
    std::vector<std::string> keys;
    for (const CalendarEvent& e : episode.context.events) {
        keys.push_back(e.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"long", "ongoing", "later"}));
    EXPECT_EQ(episode.context.displays, (std::vector<std::string>{"10", "9", "A-UUID", "B-UUID"}));
    EXPECT_EQ(episode.context.network, "0123456789abcdef");
    ASSERT_TRUE(episode.context.location);
    EXPECT_EQ(episode.context.location->latitude, 48.1);
}

TEST(EpisodeBuilder, ContextSnapshotsThatDoNotDecodeCountAsAbsent) {
    struct Case {
        const char* name;
        Observations observations;
        std::optional<double> latitude;
        std::optional<std::string> network;
        std::vector<std::string> displays;
    };
    const Case cases[] = {
        {"location 2 min before and after",
         {location(T - 2 * minute, 1), location(T + 2 * minute, 2)},
         1,
         {},
         {}},
        {"location exactly 2 min after", {location(T + 2 * minute, 2)}, 2, {}, {}},
        {"location 2 min and 1 ms away",
         {location(T - 2 * minute - 1, 1), location(T + 2 * minute + 1, 2)},
         {},
         {},
         {}},
        {"an undecodable nearest location hides a later one",
         {location(T - 3 * minute, 1), undecodable(Signal::location, T - minute), location(T + minute, 2)},
         {},
         {},
         {}},
        {"an undecodable last wifi hides an earlier one",
         {wifi(T - 2 * minute, "0123456789abcdef"), undecodable(Signal::wifi, T - minute)},
         {},
         {},
         {}},
        {"a wifi payload without network", {wifi(T - minute, std::nullopt)}, {}, {}, {}},
        {"wifi 5.001 s after the trigger is too late",
         {wifi(T - minute, "aaaaaaaaaaaaaaaa"), wifi(T + 5 * second + 1, "bbbbbbbbbbbbbbbb")},
         {},
         "aaaaaaaaaaaaaaaa",
         {}},
        {"an undecodable last displays hides an earlier one",
         {displays(T - 2 * minute, {{1, "A"}}), undecodable(Signal::displays, T - minute)},
         {},
         {},
         {}},
    };
    for (const Case& c : cases) {
        const Context context = only(c.observations).context;
        EXPECT_EQ(context.location ? std::optional(context.location->latitude) : std::nullopt, c.latitude)
            << c.name;
        EXPECT_EQ(context.network, c.network) << c.name;
        EXPECT_EQ(context.displays, c.displays) << c.name;
    }
}

TEST(EpisodeBuilder, LayoutKeepsTheLastFrameOfEachItemBySetupEnd) {
    const Frame left{0, 25, 720, 875};
    const Frame right{720, 25, 720, 875};
    const Frame full{0, 25, 1440, 875};
    const Episode episode = only({
        windows(T - 2 * minute,
                {window("com.apple.Mail", std::nullopt, std::nullopt, full)}), // replaced below
        windows(T + 4 * second, {window("com.apple.Preview", "/tmp/a.pdf", std::nullopt, left),
                                 window("com.apple.Finder", std::nullopt, std::nullopt, full),
                                 window("com.apple.Notes", std::nullopt, "Week 3")}),
        windowEvent(Signal::windowFrame, T + minute,
                    window("com.apple.Preview", "/tmp/a.pdf", std::nullopt, right)),
        windowEvent(Signal::windowFocus, T + 2 * minute,
                    window("com.apple.Notes", std::nullopt, "Week 3", left)),
        windowEvent(Signal::windowMinimize, T + 2 * minute,
                    window("com.apple.Safari", std::nullopt, std::nullopt, left)),
        windowEvent(Signal::windowClose, T + 2 * minute,
                    window("com.apple.TextEdit", "/tmp/t.txt", std::nullopt, left)),
        undecodable(Signal::windowOpen, T + 3 * minute),
        windowEvent(Signal::windowOpen, T + 6 * minute,
                    window("com.apple.Preview", "/tmp/a.pdf", std::nullopt, full)),
    });
    EXPECT_EQ(episode.end, T + 6 * minute);
    const std::unordered_map<Item, Frame> expected = {
        {app("com.apple.Preview"), right}, {document("/tmp/a.pdf"), right}, {app("com.apple.Finder"), full},
        {app("com.apple.Notes"), left},    {note("Week 3"), left},
    };
    EXPECT_EQ(episode.setup.layout, expected);
}

TEST(EpisodeBuilder, PutAwayListsHiddenQuitAndMinimisedAppsInTheSetupWindow) {
    const Episode episode = only({
        hide(T + minute, "com.apple.Mail"),
        quit(T + 2 * minute, "com.apple.Music"),
        windowEvent(Signal::windowMinimize, T + 3 * minute,
                    window("com.apple.Preview", "/tmp/a.pdf", std::nullopt)),
        hide(T + 4 * minute, "com.apple.Mail"),
        {T + 4 * minute, Signal::appHide, json::encodeRecord(AppPayload::excludedApp)},
        appEvent(Signal::appUnhide, T + 4 * minute, "com.apple.Maps"),
        hide(T + 5 * minute + 1, "com.apple.TV"),
    });
    EXPECT_EQ(episode.end, T + 5 * minute + 1);
    EXPECT_EQ(episode.setup.putAway,
              (std::vector<std::string>{"com.apple.Mail", "com.apple.Music", "com.apple.Preview"}));
}

TEST(EpisodeBuilder, SettingsAreTheSoundChangesOverTheSetupWindow) {
    const auto until = [](Observations observations) {
        // Activity without bring-ups: the setup window ends at T + 5 min.
        observations.push_back(mark(Signal::windowFrame, T + 4 * minute));
        observations.push_back(mark(Signal::windowFrame, T + 6 * minute));
        return observations;
    };
    const Setting output{Setting::Output{"usb"}};
    struct Case {
        const char* name;
        Observations observations;
        std::vector<Setting> settings;
    };
    const Case cases[] = {
        {"no audio known", until({}), {}},
        {"only muted changed",
         until({audio(T - minute, "speakers", 0.5, false), audio(T + minute, "speakers", 0.5, true)}),
         {{Setting::Muted{true}}}},
        {"nothing changed",
         until({audio(T - minute, "speakers", 0.5, false), audio(T + minute, "speakers", 0.5, false)}),
         {}},
        {"a device id written with a combining accent is the same device",
         until({audio(T - minute, "caf\u00E9", 0.5, false), audio(T + minute, "cafe\u0301", 0.5, false)}),
         {}},
        {"a new device with everything",
         until({audio(T - minute, "speakers", 0.5, false), audio(T + minute, "usb", 0.25, true)}),
         {output, {Setting::Volume{0.25}}, {Setting::Muted{true}}}},
        {"nothing known at the trigger reports every known value",
         until({audio(T + minute, "usb", std::nullopt, false)}),
         {output, {Setting::Muted{false}}}},
        {"a state without volume gives no volume",
         until({audio(T - minute, "usb", 0.5, std::nullopt),
                audio(T + minute, "usb", std::nullopt, std::nullopt)}),
         {}},
        {"a volume appearing is a change",
         until({audio(T - minute, "usb", std::nullopt, std::nullopt),
                audio(T + minute, "usb", 0.5, std::nullopt)}),
         {{Setting::Volume{0.5}}}},
        {"the state at the setup end is inclusive",
         until({audio(T - minute, "usb", 0.5, false), audio(T + 5 * minute, "usb", 0.5, true)}),
         {{Setting::Muted{true}}}},
        {"a change after the setup end does not count",
         until({audio(T - minute, "usb", 0.5, false), audio(T + 5 * minute + 1, "usb", 0.5, true)}),
         {}},
        {"an undecodable state at the end counts as none",
         until({audio(T - minute, "usb", 0.5, false), audio(T + minute, "usb", 0.5, true),
                undecodable(Signal::audio, T + 2 * minute)}),
         {}},
        {"an undecodable state at the trigger reports everything",
         until({audio(T - 2 * minute, "usb", 0.5, true), undecodable(Signal::audio, T),
                audio(T + minute, "usb", 0.5, true)}),
         {output, {Setting::Volume{0.5}}, {Setting::Muted{true}}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(only(c.observations).setup.settings, c.settings) << c.name;
    }

    // The window stops at the episode's end, so a change after a lock is not the setup's.
    const Episode locked =
        only({audio(T - minute, "usb", 0.5, false), activate(T + minute, "a"),
              mark(Signal::lock, T + 2 * minute), audio(T + 3 * minute, "usb", 0.5, true)});
    EXPECT_EQ(locked.end, T + 2 * minute);
    EXPECT_TRUE(locked.setup.settings.empty());
}

TEST(EpisodeBuilder, ExtremeTimestampsSaturateInsteadOfOverflowing) {
    // Stored data may hold any int64; every bound and distance here would overflow unclamped.
    const std::int64_t top = int64Max - 2 * second;
    const auto built = build(
        {{int64Min, Trigger::Kind::wake},
         {top, Trigger::Kind::unlock},
         {int64Max, Trigger::Kind::eventStart}},
        {location(int64Min + minute, 1), run(int64Min, "run-1", {"app:a"}), undo(int64Min, "run-1"),
         activate(int64Min + 1, "a"), running(int64Min + 4 * second, {"first"}), activate(top - 20'000, "a"),
         activate(top, "a"), audio(int64Max - 1, "usb", 0.5, true), running(int64Max, {"last"}),
         windows(int64Max, {window("b", "/tmp/b", std::nullopt, Frame{1, 2, 3, 4})}),
         displays(int64Max, {{1, "D"}}), wifi(int64Max, "ffffffffffffffff"), location(int64Max, 2),
         activate(int64Max, "z")});
    ASSERT_EQ(built.size(), 3u);

    const Episode& low = built[0];
    EXPECT_EQ(low.end, int64Min + 1);         // the next activity is a whole int64 range away
    EXPECT_TRUE(low.setup.broughtUp.empty()); // the undone run's app, within 20 s of it
    EXPECT_EQ(low.context.open, Items{app("first")});
    ASSERT_TRUE(low.context.location);
    EXPECT_EQ(low.context.location->latitude, 1);
    EXPECT_TRUE(low.setup.settings.empty());

    // The next trigger at the very top is its boundary, 2 s after the last activity.
    const Episode& high = built[1];
    EXPECT_EQ(high.end, int64Max);
    EXPECT_EQ(high.setup.broughtUp, (Items{app("a"), app("z")}));
    EXPECT_EQ(high.context.open, (Items{app("last"), document("/tmp/b")}));
    EXPECT_EQ(high.context.displays, std::vector<std::string>{"D"});
    EXPECT_EQ(high.context.network, "ffffffffffffffff");
    ASSERT_TRUE(high.context.location);
    EXPECT_EQ(high.context.location->latitude, 2);
    EXPECT_EQ(high.setup.layout.size(), 2u);
    EXPECT_EQ(
        high.setup.settings,
        (std::vector<Setting>{{Setting::Output{"usb"}}, {Setting::Volume{0.5}}, {Setting::Muted{true}}}));

    const Episode& last = built[2];
    EXPECT_EQ(last.end, int64Max);
    EXPECT_EQ(last.setup.broughtUp, Items{app("z")});
    EXPECT_EQ(last.context.open, high.context.open);
}

} // namespace
} // namespace ostrel
