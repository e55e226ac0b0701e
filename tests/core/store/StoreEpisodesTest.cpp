#include "core/store/Store.hpp"
#include "support/Printers.hpp"
#include "support/TempDir.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;
constexpr std::int64_t day = 24 * hour;
constexpr std::int64_t min64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t max64 = std::numeric_limits<std::int64_t>::max();

class StoreEpisodesTest : public ::testing::Test {
protected:
    test::TempDir dir;
    Store store{dir / "Quev" / "quev.sqlite"};

    // What was running, as a snapshot the episode's open items start from.
    void running(std::int64_t ts, const std::string& bundleID) {
        store.append(std::vector<SignalObservation>{
            {ts, Signal::appsRunning, R"({"apps":[{"bundleID":")" + bundleID + R"("}]})"}});
    }

    static std::vector<std::string> openApps(const Episode& episode) {
        std::vector<std::string> ids;
        for (const Item& item : episode.context.open) {
            ids.push_back(item.id());
        }
        return ids;
    }

    static std::vector<std::int64_t> starts(const std::vector<Episode>& episodes) {
        std::vector<std::int64_t> result;
        for (const Episode& episode : episodes) {
            result.push_back(episode.start);
        }
        return result;
    }
};

TEST_F(StoreEpisodesTest, OneEpisodePerTriggerInTheRange) {
    store.insert(
        std::vector<Trigger>{{10 * day, Kind::wake}, {11 * day, Kind::unlock}, {12 * day, Kind::login}});
    const struct {
        std::int64_t from;
        std::int64_t to;
        std::vector<std::int64_t> starts;
    } cases[] = {
        {10 * day, 12 * day, {10 * day, 11 * day}},
        {10 * day + 1, 12 * day + 1, {11 * day, 12 * day}},
        {0, max64, {10 * day, 11 * day, 12 * day}},
        {min64, max64, {10 * day, 11 * day, 12 * day}},
        {11 * day, 11 * day, {}},
        // Inverted ranges hold no trigger, however far apart their ends are.
        {12 * day, 10 * day, {}},
        {max64, min64, {}},
        {max64, 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(starts(store.episodes(c.from, c.to)), c.starts) << c.from << ".." << c.to;
    }
    EXPECT_EQ(store.episodes(10 * day, 11 * day).front().trigger, (Trigger{10 * day, Kind::wake}));
    // The reads under the rebuild give nothing over an inverted range either.
    EXPECT_EQ(store.triggers(12 * day, 10 * day), std::vector<Trigger>{});
    EXPECT_EQ(store.observations(max64, min64), std::vector<SignalObservation>{});
}

TEST_F(StoreEpisodesTest, ReadsTheDayBeforeTheRangeForWhatWasAlreadyOpen) {
    const std::int64_t t = 10 * day;
    store.insert(std::vector<Trigger>{{t, Kind::wake}});
    running(t - day - 1, "com.example.too-early");
    EXPECT_EQ(openApps(store.episodes(t, t + 1).at(0)), std::vector<std::string>{});
    // The day is counted from the start of the range, not from the trigger.
    EXPECT_EQ(openApps(store.episodes(t - 1, t + 1).at(0)),
              std::vector<std::string>{"app:com.example.too-early"});
    running(t - day, "com.example.day-before");
    EXPECT_EQ(openApps(store.episodes(t, t + 1).at(0)),
              std::vector<std::string>{"app:com.example.day-before"});
}

TEST_F(StoreEpisodesTest, TheDayBeforeARangeNearTheEpochStartsAtZero) {
    store.insert(std::vector<Trigger>{{hour, Kind::wake}});
    running(-1, "com.example.before-the-epoch");
    EXPECT_EQ(openApps(store.episodes(0, 2 * hour).at(0)), std::vector<std::string>{});
    EXPECT_EQ(openApps(store.episodes(min64, 2 * hour).at(0)), std::vector<std::string>{});
    running(0, "com.example.at-zero");
    EXPECT_EQ(openApps(store.episodes(0, 2 * hour).at(0)),
              std::vector<std::string>{"app:com.example.at-zero"});
}

TEST_F(StoreEpisodesTest, ClassesStartingJustAfterTheRangeAreInItsLastContext) {
    const std::int64_t t = 10 * day;
    store.insert(std::vector<Trigger>{{t, Kind::wake}});
    const CalendarEvent math{"math",   t + 10 * minute, true,     "Math", t + 10 * minute,
                             t + hour, std::nullopt,    "School", {}};
    store.syncCalendar(std::vector{math}, t, t + 1, 1);
    const auto episodes = store.episodes(t, t + 1);
    ASSERT_EQ(episodes.size(), 1u);
    EXPECT_EQ(episodes[0].context.events, std::vector{math});
    EXPECT_EQ(store.episodes(t, max64).at(0).context.events, std::vector{math});
}

} // namespace
} // namespace ostrel
