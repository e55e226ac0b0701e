#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <atomic>
#include <limits>
#include <map>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::RawDatabase;
using Kind = Trigger::Kind;

class StoreObservationsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / "Quev" / "quev.sqlite";
    Store store{file};

    static SignalObservation observation(std::int64_t ts, const Signal& signal, std::string payload = "{}") {
        return {ts, signal, std::move(payload)};
    }

    std::vector<std::string> payloads(const std::vector<SignalObservation>& observations) {
        std::vector<std::string> result;
        for (const auto& o : observations) {
            result.push_back(o.payload);
        }
        return result;
    }
};

TEST_F(StoreObservationsTest, RangesIncludeFromExcludeToAndKeepInsertionOrderAtEqualTimes) {
    store.append(std::vector{observation(20, Signal::wake, "w1"), observation(10, Signal::unlock, "u"),
                             observation(20, Signal::lock, "l")});
    store.append(std::vector{observation(20, Signal::wake, "w2"), observation(30, Signal::sleep, "s")});

    const struct {
        std::int64_t from;
        std::int64_t to;
        std::vector<std::string> payloads;
    } cases[] = {
        {20, 20, {}},
        {20, 21, {"w1", "l", "w2"}}, // equal timestamps come back in insertion order
        {0, 100, {"u", "w1", "l", "w2", "s"}},
        {11, 30, {"w1", "l", "w2"}},
        {30, 10, {}},
        {std::numeric_limits<std::int64_t>::min(),
         std::numeric_limits<std::int64_t>::max(),
         {"u", "w1", "l", "w2", "s"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(payloads(store.observations(c.from, c.to)), c.payloads) << c.from << ".." << c.to;
    }
    const auto read = store.observations(10, 11);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], observation(10, Signal::unlock, "u"));
}

TEST_F(StoreObservationsTest, SignalSetsFilterAndAnEmptySetMatchesNothing) {
    store.append(std::vector{observation(1, Signal::wake, "w"), observation(2, Signal::unlock, "u"),
                             observation(3, Signal("some.future.signal"), "f")});
    const struct {
        std::optional<std::set<Signal>> signals;
        std::vector<std::string> payloads;
    } cases[] = {
        {std::nullopt, {"w", "u", "f"}},
        {std::set<Signal>{}, {}},
        {std::set<Signal>{Signal::unlock}, {"u"}},
        {std::set<Signal>{Signal::wake, Signal::unlock, Signal::lock}, {"w", "u"}},
        {std::set<Signal>{Signal("some.future.signal")}, {"f"}},
        {std::set<Signal>{Signal("SYSTEM.WAKE")}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(payloads(store.observations(0, 10, c.signals)), c.payloads);
    }
    // A name this version does not know reads back as it was stored.
    EXPECT_EQ(store.observations(3, 4)[0].signal.rawValue, "some.future.signal");
}

TEST_F(StoreObservationsTest, RowsOfAnotherShapeFailTheRead) {
    store.append(std::vector{observation(1, Signal::wake)});
    {
        RawDatabase raw(file);
        raw.exec("INSERT INTO observations (ts, signal, payload) VALUES (5.5, 'system.wake', '{}')");
    }
    EXPECT_EQ(store.observations(0, 2).size(), 1u) << "a read that does not meet the row is not affected";
    try {
        store.observations(0, 10);
        FAIL() << "a real timestamp is not a row of observations";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 0);
        EXPECT_EQ(error.message(), "malformed observation row");
    }
}

TEST_F(StoreObservationsTest, PayloadsAreReadOnlyForTheSignalsAsked) {
    store.append(std::vector{observation(1, Signal::wake, "w"), observation(2, Signal::unlock, "u"),
                             observation(2, Signal::wake, "w2"), observation(3, Signal("some.future.signal"), "f")});
    const struct {
        std::set<Signal> payloadsOf;
        std::vector<std::string> payloads;
    } cases[] = {
        {{}, {"", "", "", ""}},
        {{Signal::wake}, {"w", "", "w2", ""}},
        {{Signal::unlock, Signal("some.future.signal")}, {"", "u", "", "f"}},
        {{Signal("SYSTEM.WAKE")}, {"", "", "", ""}},
    };
    for (const auto& c : cases) {
        const auto read = store.observationsWithPayloadsOf(0, 10, c.payloadsOf);
        EXPECT_EQ(payloads(read), c.payloads);
        // Every row comes back, in order, with its time and signal, whatever its payload.
        const auto full = store.observations(0, 10);
        ASSERT_EQ(read.size(), full.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].ts, full[i].ts);
            EXPECT_EQ(read[i].signal, full[i].signal);
        }
    }
}

TEST_F(StoreObservationsTest, ARowOfAnotherShapeFailsTheReadOfSomePayloadsToo) {
    store.append(std::vector{observation(1, Signal::wake)});
    {
        RawDatabase raw(file);
        raw.exec("INSERT INTO observations (ts, signal, payload) VALUES (5.5, 'screen.lock', '{}')");
    }
    try {
        store.observationsWithPayloadsOf(0, 10, {Signal::wake});
        FAIL() << "a real timestamp is not a row of observations, whether its payload is read or not";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.message(), "malformed observation row");
    }
}

TEST_F(StoreObservationsTest, CountsObservationsSince) {
    store.append(std::vector{observation(5, Signal::wake), observation(10, Signal::wake),
                             observation(15, Signal::wake)});
    EXPECT_EQ(store.observationCount(0), 3);
    EXPECT_EQ(store.observationCount(10), 2);
    EXPECT_EQ(store.observationCount(16), 0);
}

TEST_F(StoreObservationsTest, AFailedAppendLeavesNothingOfItself) {
    store.append(std::vector{observation(1, Signal::wake, "kept")});
    {
        RawDatabase raw(file);
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON observations WHEN NEW.payload = 'bad' "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    try {
        store.append(std::vector{observation(2, Signal::wake, "good"), observation(3, Signal::wake, "bad")});
        FAIL() << "the second insert is refused";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.message(), "refused");
    }
    EXPECT_EQ(payloads(store.observations(0, 10)), std::vector<std::string>{"kept"});
    // The lock and the connection are free again.
    store.append(std::vector{observation(4, Signal::wake, "after")});
    EXPECT_EQ(store.observationCount(0), 2);
}

TEST_F(StoreObservationsTest, ExpiryDeletesObservationsAndTriggersBeforeTheCutOff) {
    // now = 90 days and half a second: the cut-off is 500 ms.
    const Date now = 7'776'000.5;
    store.append(std::vector{observation(-5, Signal::wake), observation(499, Signal::wake),
                             observation(500, Signal::wake), observation(501, Signal::wake)});
    store.insert(
        std::vector<Trigger>{{-5, Kind::wake}, {499, Kind::unlock}, {500, Kind::wake}, {900, Kind::login}});

    EXPECT_EQ(store.deleteExpiredObservations(now), 2) << "the result counts observations only";
    EXPECT_EQ(store.observations(-10, 1000).size(), 2u);
    EXPECT_EQ(store.observations(-10, 1000).front().ts, 500) << "exactly at the cut-off stays";
    EXPECT_EQ(store.triggers(-10, 1000), (std::vector<Trigger>{{500, Kind::wake}, {900, Kind::login}}));

    EXPECT_EQ(store.deleteExpiredObservations(now), 0);
    // The cut-off truncates toward zero: 0.0009 s past the bound is still 0 ms.
    EXPECT_EQ(store.deleteExpiredObservations(7'776'000.0009), 0);
}

TEST_F(StoreObservationsTest, ExpiryKeepsTriggersThatStoredEpisodesReferTo) {
    store.append(std::vector{observation(1, Signal::wake)});
    store.insert(std::vector<Trigger>{{1, Kind::wake}, {2, Kind::unlock}});
    {
        RawDatabase raw(file);
        raw.exec("PRAGMA foreign_keys = ON");
        raw.exec("INSERT INTO episodes (trigger_id, context, context_key, setup) "
                 "SELECT id, '{}', 'k', '[]' FROM triggers WHERE ts = 1");
    }
    EXPECT_EQ(store.deleteExpiredObservations(Store::observationRetention + 1), 1);
    EXPECT_EQ(store.triggers(0, 10), (std::vector<Trigger>{{1, Kind::wake}}));
}

TEST_F(StoreObservationsTest, ExpiryRefusesADateWithoutMilliseconds) {
    store.append(std::vector{observation(1, Signal::wake)});
    for (const Date bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_THROW(store.deleteExpiredObservations(bad), DateRangeError);
    }
    EXPECT_EQ(store.observationCount(0), 1);
}

TEST_F(StoreObservationsTest, TriggersAreStoredOncePerTimeAndKind) {
    store.insert(std::vector<Trigger>{{1000, Kind::wake}, {1000, Kind::wake}});
    EXPECT_EQ(store.triggers(0, 2000), (std::vector<Trigger>{{1000, Kind::wake}}));
    store.insert(std::vector<Trigger>{
        {1000, Kind::unlock}, {1000, Kind::wake}, {3000, Kind::eventStart}, {2000, Kind::login}});
    const auto stored = store.triggers(0, 5000);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[0].ts, 1000);
    EXPECT_EQ(stored[1].ts, 1000);
    EXPECT_EQ(stored[2], (Trigger{2000, Kind::login}));
    EXPECT_EQ(stored[3], (Trigger{3000, Kind::eventStart}));
    EXPECT_EQ(store.triggers(1000, 1000), std::vector<Trigger>{});
    EXPECT_EQ(store.triggers(2000, 3000), (std::vector<Trigger>{{2000, Kind::login}}));

    RawDatabase raw(file);
    EXPECT_EQ(raw.scalar("SELECT group_concat(kind) FROM (SELECT kind FROM triggers ORDER BY ts, kind)"),
              "unlock,wake,login,event_start");
}

TEST_F(StoreObservationsTest, TriggerRowsOfAnotherShapeAreSkipped) {
    store.insert(std::vector<Trigger>{{10, Kind::wake}});
    {
        RawDatabase raw(file);
        raw.exec("PRAGMA ignore_check_constraints = ON");
        raw.exec("INSERT INTO triggers (ts, kind) VALUES (11, 'nap')");
        raw.exec("INSERT INTO triggers (ts, kind) VALUES (12, 'Wake')");
        raw.exec("INSERT INTO triggers (ts, kind) VALUES (13.5, 'wake')");
        raw.exec("INSERT INTO triggers (ts, kind) VALUES (14, 7)");
        raw.exec("INSERT INTO triggers (ts, kind) VALUES (15, 'unlock')");
    }
    EXPECT_EQ(store.triggers(0, 100), (std::vector<Trigger>{{10, Kind::wake}, {15, Kind::unlock}}));
}

TEST_F(StoreObservationsTest, AFailedTriggerInsertLeavesNothingOfItself) {
    {
        RawDatabase raw(file);
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON triggers WHEN NEW.ts = 13 "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    EXPECT_THROW(store.insert(std::vector<Trigger>{{12, Kind::wake}, {13, Kind::wake}}), SQLiteError);
    EXPECT_EQ(store.triggers(0, 100), std::vector<Trigger>{});
}

// One connection shared by threads: the store serialises every call on it, so a read never sees
// half of an append, and reads and writes from several threads never race.
TEST_F(StoreObservationsTest, ThreadsShareTheStoreAndReadsSeeWholeAppends) {
    constexpr int writers = 3;
    constexpr int batches = 40;
    constexpr int batchSize = 10;
    std::atomic<int> finished = 0;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([this, w, &finished] {
            for (int b = 0; b < batches; ++b) {
                std::vector<SignalObservation> batch;
                for (int i = 0; i < batchSize; ++i) {
                    batch.push_back(observation(w * 1'000'000 + b * batchSize + i, Signal::appActivate,
                                                std::to_string(w)));
                }
                store.append(batch);
            }
            ++finished;
        });
    }
    std::size_t lastCount = 0;
    bool sawPartial = false;
    bool wentBack = false;
    while (finished.load() < writers) {
        const auto seen = store.observations(0, std::numeric_limits<std::int64_t>::max());
        std::map<std::string, std::size_t> perWriter;
        for (const auto& o : seen) {
            ++perWriter[o.payload];
        }
        for (const auto& [writer, count] : perWriter) {
            sawPartial = sawPartial || count % batchSize != 0;
        }
        wentBack = wentBack || seen.size() < lastCount;
        lastCount = seen.size();
        EXPECT_GE(store.observationCount(0), static_cast<std::int64_t>(seen.size()));
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(sawPartial);
    EXPECT_FALSE(wentBack);
    EXPECT_EQ(store.observationCount(0), writers * batches * batchSize);
}

} // namespace
} // namespace ostrel
