#include "core/observations/ObservationWriter.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "core/store/Store.hpp"
#include "support/LogCapture.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <atomic>
#include <chrono>
#include <future>
#include <latch>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// A payload that says who recorded it and in which order, and may hold a non-finite number.
struct Sequence {
    std::int64_t producer = 0;
    std::int64_t index = 0;
    double value = 0;

    static Sequence fromJSON(const json::Value& value) {
        const json::ObjectReader reader(value);
        return {reader.required<std::int64_t>("producer"), reader.required<std::int64_t>("index"),
                reader.required<double>("value")};
    }
    json::Value toJSON() const {
        return json::ObjectWriter().set("producer", producer).set("index", index).set("value", value).done();
    }
};

// What the watchers saw, from whichever thread they ran on.
class Seen {
public:
    void add(std::string entry) {
        std::lock_guard guard(lock_);
        entries_.push_back(std::move(entry));
        threads_.insert(std::this_thread::get_id());
    }
    std::vector<std::string> entries() const {
        std::lock_guard guard(lock_);
        return entries_;
    }
    std::set<std::thread::id> threads() const {
        std::lock_guard guard(lock_);
        return threads_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> entries_;
    std::set<std::thread::id> threads_;
};

class ObservationWriterTest : public ::testing::Test {
protected:
    test::LogCapture log{/*revealPrivate=*/true};
    test::TempDir dir;
    std::filesystem::path file = dir / "Quev" / "quev.sqlite";
    Store store{file};

    std::vector<std::string> storedSignals() {
        std::vector<std::string> result;
        for (const auto& observation : store.observations(std::numeric_limits<std::int64_t>::min(),
                                                          std::numeric_limits<std::int64_t>::max())) {
            result.push_back(observation.signal.rawValue);
        }
        return result;
    }

    // Makes every insert of the given signal fail, as a full or read-only disk would.
    void refuseInsertsOf(const std::string& signal) {
        test::RawDatabase raw(file);
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON observations WHEN NEW.signal = '" + signal +
                 "' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
};

TEST_F(ObservationWriterTest, WritesInOrderAndCallsWatchersInTheOrderAddedOnItsQueue) {
    ObservationWriter writer(store);
    Seen seen;
    writer.watch([&](const SignalObservation& o) { seen.add("A " + o.signal.rawValue); });
    writer.watch([&](const SignalObservation& o) { seen.add("B " + o.signal.rawValue); });

    writer.record(Signal::wake, EmptyPayload{}, 1.0);
    writer.record(Signal::unlock, EmptyPayload{}, 1.0);
    writer.record(Signal::lock, EmptyPayload{}, 0.5);
    writer.flush();

    EXPECT_EQ(storedSignals(), (std::vector<std::string>{"screen.lock", "system.wake", "screen.unlock"}));
    EXPECT_EQ(store.observations(500, 501).front(), SignalObservation(500, Signal::lock, "{}"));
    EXPECT_EQ(seen.entries(),
              (std::vector<std::string>{"A system.wake", "B system.wake", "A screen.unlock",
                                        "B screen.unlock", "A screen.lock", "B screen.lock"}));
    ASSERT_EQ(seen.threads().size(), 1u) << "every watcher call runs on the writer's one queue";
    EXPECT_NE(*seen.threads().begin(), std::this_thread::get_id());
    EXPECT_EQ(writer.pending(), 0);
    EXPECT_EQ(writer.dropped(), 0);
    EXPECT_TRUE(log.entries().empty());
}

TEST_F(ObservationWriterTest, ACapacityOfOneDropsWhatArrivesWhileAWriteWaits) {
    ObservationWriter writer(store, 1);
    Seen seen;
    writer.watch([&](const SignalObservation& o) { seen.add(o.signal.rawValue); });

    std::promise<void> release;
    writer.whenWritten([gate = release.get_future().share()] { gate.wait(); }); // holds the queue
    writer.record(Signal::wake, EmptyPayload{}, 1);
    writer.record(Signal::unlock, EmptyPayload{}, 2);
    writer.write(SignalObservation(3, Signal::lock, "{}"));
    EXPECT_EQ(writer.pending(), 1);
    EXPECT_EQ(writer.dropped(), 2);
    release.set_value();
    writer.flush();

    EXPECT_EQ(storedSignals(), std::vector<std::string>{"system.wake"});
    EXPECT_EQ(seen.entries(), std::vector<std::string>{"system.wake"});
    EXPECT_EQ(writer.pending(), 0);
    EXPECT_EQ(writer.dropped(), 2);

    // Once the write is done there is room again.
    writer.record(Signal::sleep, EmptyPayload{}, 4);
    writer.flush();
    EXPECT_EQ(storedSignals(), (std::vector<std::string>{"system.wake", "system.sleep"}));
    EXPECT_EQ(writer.dropped(), 2);
}

TEST_F(ObservationWriterTest, WhatCannotBeEncodedIsLoggedAndNeverQueued) {
    ObservationWriter writer(store, 1);
    Seen seen;
    writer.watch([&](const SignalObservation& o) { seen.add(o.signal.rawValue); });

    const struct {
        const char* signal;
        double value;
        Date at;
    } cases[] = {
        {"probe.nan", std::numeric_limits<double>::quiet_NaN(), 1},
        {"probe.infinity", std::numeric_limits<double>::infinity(), 1},
        {"probe.date.nan", 0, std::numeric_limits<double>::quiet_NaN()},
        {"probe.date.infinity", 0, -std::numeric_limits<double>::infinity()},
        {"probe.date.far", 0, 1e300}, // milliseconds past int64
    };
    for (const auto& c : cases) {
        writer.record(Signal(c.signal), Sequence{0, 0, c.value}, c.at);
        EXPECT_EQ(writer.pending(), 0) << c.signal;
        EXPECT_EQ(writer.dropped(), 0) << c.signal;
    }
    writer.flush();
    EXPECT_TRUE(storedSignals().empty());
    EXPECT_TRUE(seen.entries().empty());

    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].level, LogLevel::error);
        EXPECT_EQ(entries[i].subsystem, "Ostrel");
        EXPECT_EQ(entries[i].category, "observations");
        EXPECT_EQ(entries[i].format, "Couldn't encode %s: %@");
        ASSERT_EQ(entries[i].arguments.size(), 2u);
        EXPECT_EQ(entries[i].arguments[0], cases[i].signal);
        EXPECT_TRUE(entries[i].message.starts_with(std::string("Couldn't encode ") + cases[i].signal + ": "))
            << entries[i].message;
    }
    // The capacity of one was never taken: a good observation still goes through.
    writer.record(Signal::wake, EmptyPayload{}, 1);
    writer.flush();
    EXPECT_EQ(storedSignals(), std::vector<std::string>{"system.wake"});
}

TEST_F(ObservationWriterTest, AFailedInsertIsLoggedAndStillShownToWatchers) {
    refuseInsertsOf("app.launch");
    ObservationWriter writer(store);
    Seen seen;
    writer.watch([&](const SignalObservation& o) { seen.add("A " + o.signal.rawValue); });
    writer.watch([&](const SignalObservation& o) { seen.add("B " + o.signal.rawValue); });

    writer.record(Signal::wake, EmptyPayload{}, 1);
    writer.record(Signal::appLaunch, EmptyPayload{}, 2);
    writer.record(Signal::unlock, EmptyPayload{}, 3);
    writer.flush();

    EXPECT_EQ(storedSignals(), (std::vector<std::string>{"system.wake", "screen.unlock"}));
    EXPECT_EQ(seen.entries(),
              (std::vector<std::string>{"A system.wake", "B system.wake", "A app.launch", "B app.launch",
                                        "A screen.unlock", "B screen.unlock"}));
    EXPECT_EQ(writer.pending(), 0);
    EXPECT_EQ(writer.dropped(), 0);
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[0].category, "observations");
    EXPECT_EQ(entries[0].format, "Couldn't write %s: %@");
    EXPECT_EQ(entries[0].message, "Couldn't write app.launch: SQLite error 19: refused");
}

TEST_F(ObservationWriterTest, LoggedArgumentsArePrivateByDefault) {
    test::LogCapture redacted; // private data not revealed
    refuseInsertsOf("app.launch");
    ObservationWriter writer(store);
    // Encoding fails on the caller's thread, the insert on the writer's queue: flush between the
    // two so the log's order is fixed.
    writer.record(Signal::appLaunch, Sequence{0, 0, std::numeric_limits<double>::quiet_NaN()}, 1);
    writer.record(Signal::appLaunch, EmptyPayload{}, 1);
    writer.flush();
    const auto entries = redacted.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "Couldn't encode <private>: <private>");
    EXPECT_EQ(entries[1].message, "Couldn't write <private>: <private>");
}

TEST_F(ObservationWriterTest, WhenWrittenRunsAfterEveryEarlierWriteIsCommittedOrLogged) {
    refuseInsertsOf("app.quit");
    ObservationWriter writer(store);
    std::promise<std::pair<std::vector<std::string>, std::size_t>> seenByCallback;

    writer.record(Signal::wake, EmptyPayload{}, 1);
    writer.record(Signal::appQuit, EmptyPayload{}, 2);
    writer.whenWritten([&] { seenByCallback.set_value({storedSignals(), log.entries().size()}); });
    writer.record(Signal::unlock, EmptyPayload{}, 3);

    const auto [stored, logged] = seenByCallback.get_future().get();
    EXPECT_EQ(stored, std::vector<std::string>{"system.wake"});
    EXPECT_EQ(logged, 1u) << "the failed write was logged before the callback ran";
    writer.flush();
    EXPECT_EQ(storedSignals(), (std::vector<std::string>{"system.wake", "screen.unlock"}));
}

TEST_F(ObservationWriterTest, WatchersAndCallbacksMayUseTheWriterFromItsOwnQueue) {
    ObservationWriter writer(store);
    std::atomic<bool> flushedInside = false;
    writer.watch([&](const SignalObservation& o) {
        if (o.signal == Signal::wake) {
            writer.record(Signal::unlock, EmptyPayload{}, 2); // no lock is held while a watcher runs
            writer.flush();                                   // on its own queue, flush returns at once
            writer.whenWritten([&] { flushedInside = true; });
        }
    });
    writer.record(Signal::wake, EmptyPayload{}, 1);
    writer.flush();
    writer.flush(); // the second flush waits for what the watcher queued
    EXPECT_TRUE(flushedInside);
    EXPECT_EQ(storedSignals(), (std::vector<std::string>{"system.wake", "screen.unlock"}));
}

// flush() skips the queue when nothing is left on it; a write whose insert is done but whose
// watcher still runs, or a callback still running, is not done.
TEST_F(ObservationWriterTest, FlushWaitsForAWatcherOrCallbackStillRunningAfterItsInsert) {
    for (const bool viaCallback : {false, true}) {
        SCOPED_TRACE(viaCallback ? "whenWritten callback" : "watcher");
        ObservationWriter writer(store);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> entered = false;
        std::atomic<bool> done = false;
        const auto slow = [&] {
            entered = true;
            released.wait();
            std::this_thread::yield();
            done = true;
        };
        if (viaCallback) {
            writer.whenWritten(slow);
        } else {
            writer.watch([&](const SignalObservation&) { slow(); });
            writer.record(Signal::wake, EmptyPayload{}, 1);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!entered && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(entered);
        EXPECT_EQ(writer.pending(), 0) << "the insert itself is done";
        release.set_value();
        writer.flush();
        EXPECT_TRUE(done);
    }
}

TEST_F(ObservationWriterTest, DestructionWritesEverythingStillQueued) {
    Seen seen;
    {
        ObservationWriter writer(store);
        writer.watch([&](const SignalObservation& o) {
            seen.add(o.signal.rawValue);
            // A watcher that records while the writer shuts down is still served.
            if (o.decoded<Sequence>().value_or(Sequence{}).index == 49) {
                writer.record(Signal::sleep, EmptyPayload{}, 2);
            }
        });
        std::promise<void> release;
        writer.whenWritten([gate = release.get_future().share()] { gate.wait(); });
        for (int i = 0; i < 50; ++i) {
            writer.record(Signal::wake, Sequence{0, i, 0}, 1);
        }
        EXPECT_EQ(writer.pending(), 50);
        release.set_value();
    }
    EXPECT_EQ(store.observationCount(0), 51);
    EXPECT_EQ(seen.entries().size(), 51u);
    EXPECT_EQ(seen.entries().back(), "system.sleep");
}

TEST_F(ObservationWriterTest, ManyProducersEachObservationStoredOnceInItsProducersOrder) {
    constexpr int producers = 8;
    constexpr int perProducer = 2'500;
    ObservationWriter writer(store, 1'000);
    std::atomic<std::int64_t> watched = 0;
    writer.watch([&](const SignalObservation&) { ++watched; });

    std::latch start(producers); // all begin together, so they compete for the same room
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&writer, &start, p] {
            start.arrive_and_wait();
            for (int i = 0; i < perProducer; ++i) {
                writer.record(Signal("stress"), Sequence{p, i, 0.5}, 1.0);
                if (i % 64 == 0) {
                    std::this_thread::yield(); // let the queue drain now and then, so both paths run
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    writer.flush();

    const auto stored = store.observations(0, 2'000);
    EXPECT_EQ(writer.pending(), 0);
    EXPECT_EQ(static_cast<std::int64_t>(stored.size()) + writer.dropped(), producers * perProducer);
    EXPECT_EQ(watched.load(), static_cast<std::int64_t>(stored.size()));
    EXPECT_GT(stored.size(), 0u);

    // All were stamped alike, so the rows come back in insertion order.
    std::map<std::int64_t, std::int64_t> lastIndex;
    for (const auto& observation : stored) {
        const auto sequence = observation.decoded<Sequence>();
        ASSERT_TRUE(sequence.has_value());
        const auto [last, inserted] = lastIndex.try_emplace(sequence->producer, sequence->index);
        if (!inserted) {
            ASSERT_GT(sequence->index, last->second) << "producer " << sequence->producer;
            last->second = sequence->index;
        }
    }
    EXPECT_TRUE(log.entries().empty());
}

} // namespace
} // namespace ostrel
