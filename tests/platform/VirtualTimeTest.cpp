#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr Date startWall = 1'757'916'000.0;
constexpr double startBoot = 3600.0;

// What ran, and where the clocks stood when it did.
struct Ran {
    std::string name;
    double monotonic = 0;
    double boot = 0;
    Date wall = 0;
};

class VirtualTimeTest : public ::testing::Test {
protected:
    VirtualTime time{startWall, startBoot};
    Executor& main = time.makeExecutor("main");
    Executor& other = time.makeExecutor("other");
    std::vector<Ran> runs;

    Task record(std::string name) {
        return [this, name = std::move(name)] {
            const Clock& clock = time.clock();
            runs.push_back({name, clock.monotonic(), clock.boot(), clock.now()});
        };
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& run : runs) {
            result.push_back(run.name);
        }
        return result;
    }
};

enum class Kind { monotonic, boot, wall };

struct Timer {
    std::string name;
    bool onOther = false;
    Kind kind = Kind::monotonic;
    double delay = 0;
};

struct DeadlineOrderCase {
    std::string title;
    std::vector<Timer> timers;
    std::vector<std::string> expected;
};

class DeadlineOrder : public VirtualTimeTest, public ::testing::WithParamInterface<DeadlineOrderCase> {};

TEST_P(DeadlineOrder, TimersFireInDeadlineOrderAcrossExecutorsAndClocks) {
    std::vector<TaskHandle> handles;
    for (const auto& timer : GetParam().timers) {
        Executor& executor = timer.onOther ? other : main;
        switch (timer.kind) {
        case Kind::monotonic:
            handles.push_back(executor.postAfter(timer.delay, record(timer.name), TimeBase::monotonic));
            break;
        case Kind::boot:
            handles.push_back(executor.postAfter(timer.delay, record(timer.name), TimeBase::boot));
            break;
        case Kind::wall:
            handles.push_back(executor.postAt(startWall + timer.delay, record(timer.name)));
            break;
        }
    }
    time.advance(100);
    EXPECT_THAT(names(), ElementsAreArray(GetParam().expected));
    // Each ran with every clock reading its deadline: awake, the clocks move together.
    for (const auto& run : runs) {
        const auto timer = std::find_if(GetParam().timers.begin(), GetParam().timers.end(),
                                        [&](const Timer& candidate) { return candidate.name == run.name; });
        ASSERT_NE(timer, GetParam().timers.end());
        EXPECT_DOUBLE_EQ(run.monotonic, startBoot + timer->delay) << run.name;
        EXPECT_DOUBLE_EQ(run.boot, startBoot + timer->delay) << run.name;
        EXPECT_DOUBLE_EQ(run.wall, startWall + timer->delay) << run.name;
    }
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot + 100);
    EXPECT_DOUBLE_EQ(time.clock().now(), startWall + 100);
    EXPECT_EQ(time.pending(), GetParam().timers.size() - GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeadlineOrder,
    ::testing::Values(
        DeadlineOrderCase{"ReversePostingOrder",
                          {{"c", false, Kind::monotonic, 30}, {"b", true, Kind::monotonic, 20},
                           {"a", false, Kind::monotonic, 10}},
                          {"a", "b", "c"}},
        DeadlineOrderCase{"MixedClocks",
                          {{"wall40", true, Kind::wall, 40}, {"boot5", false, Kind::boot, 5},
                           {"mono25", true, Kind::monotonic, 25}, {"boot30", true, Kind::boot, 30},
                           {"wall1", false, Kind::wall, 1}},
                          {"wall1", "boot5", "mono25", "boot30", "wall40"}},
        DeadlineOrderCase{"EqualDeadlinesInPostingOrder",
                          {{"first", true, Kind::boot, 7}, {"second", false, Kind::monotonic, 7},
                           {"third", true, Kind::wall, 7}, {"fourth", false, Kind::monotonic, 7}},
                          {"first", "second", "third", "fourth"}},
        DeadlineOrderCase{"BeyondTheAdvanceStaysPending",
                          {{"late", false, Kind::monotonic, 100.5}, {"early", true, Kind::boot, 99.5}},
                          {"early"}}),
    [](const auto& info) { return info.param.title; });

TEST_F(VirtualTimeTest, BeyondTheAdvanceWaitsForTheNextOne) {
    auto handle = main.postAfter(100.5, record("late"));
    time.advance(100);
    EXPECT_THAT(runs, IsEmpty());
    EXPECT_EQ(time.pending(), 1u);
    time.advance(0.5);
    EXPECT_THAT(names(), ElementsAre("late"));
}

TEST_F(VirtualTimeTest, PostsRunInPostingOrderAcrossExecutors) {
    main.post(record("a"));
    other.post(record("b"));
    main.postAfter(0, record("c")).detach();
    other.post(record("d"));
    main.post(record("e"));
    EXPECT_EQ(time.pending(), 5u);
    EXPECT_THAT(runs, IsEmpty()) << "nothing runs before time is driven";
    time.settle();
    EXPECT_THAT(names(), ElementsAre("a", "b", "c", "d", "e"));
    EXPECT_EQ(time.pending(), 0u);
}

TEST_F(VirtualTimeTest, WorkPostedByATimerRunsAfterTheTimersDueWithIt) {
    auto first = main.postAfter(5, [this] {
        record("first")();
        other.post(record("posted by first"));
    });
    auto second = other.postAfter(5, record("second"));
    auto later = main.postAfter(6, record("later"));
    time.advance(10);
    EXPECT_THAT(names(), ElementsAre("first", "second", "posted by first", "later"));
    EXPECT_DOUBLE_EQ(runs[2].monotonic, startBoot + 5) << "posted work runs at once, not at the next deadline";
}

TEST_F(VirtualTimeTest, ARepeatingTimerFiresAtEachStep) {
    std::function<void()> tick;
    TaskHandle handle;
    tick = [&] {
        record("tick")();
        handle = main.postAfter(1, tick);
    };
    handle = main.postAfter(1, tick);
    time.advance(10);
    ASSERT_EQ(runs.size(), 10u);
    for (std::size_t index = 0; index < runs.size(); ++index) {
        EXPECT_DOUBLE_EQ(runs[index].monotonic, startBoot + 1.0 + static_cast<double>(index));
    }
    EXPECT_EQ(time.pending(), 1u);
}

struct SleepCase {
    std::string title;
    Kind kind;
    bool runsAtWake;
};

class SleepTest : public VirtualTimeTest, public ::testing::WithParamInterface<SleepCase> {};

TEST_P(SleepTest, MonotonicDelaysAreHeldBackBySleepOthersAreNot) {
    TaskHandle handle;
    switch (GetParam().kind) {
    case Kind::monotonic:
        handle = main.postAfter(10, record("timer"), TimeBase::monotonic);
        break;
    case Kind::boot:
        handle = main.postAfter(10, record("timer"), TimeBase::boot);
        break;
    case Kind::wall:
        handle = main.postAt(startWall + 10, record("timer"));
        break;
    }
    time.sleep(3600);
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot);
    EXPECT_DOUBLE_EQ(time.clock().boot(), startBoot + 3600);
    EXPECT_DOUBLE_EQ(time.clock().now(), startWall + 3600);
    if (GetParam().runsAtWake) {
        ASSERT_EQ(runs.size(), 1u);
        // At wake, not while asleep.
        EXPECT_DOUBLE_EQ(runs[0].wall, startWall + 3600);
        EXPECT_EQ(time.pending(), 0u);
        return;
    }
    EXPECT_THAT(runs, IsEmpty());
    time.advance(9.5);
    EXPECT_THAT(runs, IsEmpty());
    time.advance(0.5);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_DOUBLE_EQ(runs[0].monotonic, startBoot + 10);
    EXPECT_DOUBLE_EQ(runs[0].wall, startWall + 3610);
}

INSTANTIATE_TEST_SUITE_P(Cases, SleepTest,
                         ::testing::Values(SleepCase{"Monotonic", Kind::monotonic, false},
                                           SleepCase{"Boot", Kind::boot, true}, SleepCase{"Wall", Kind::wall, true}),
                         [](const auto& info) { return info.param.title; });

TEST_F(VirtualTimeTest, WhatFellDueAsleepRunsAtWakeInDeadlineOrder) {
    auto boot = main.postAfter(200, record("boot200"), TimeBase::boot);
    auto wall = other.postAt(startWall + 100, record("wall100"));
    auto awake = main.postAfter(50, record("mono50"));
    auto afterWake = main.postAfter(7200, record("boot7200"), TimeBase::boot);
    main.post(record("before sleep"));
    time.sleep(3600);
    EXPECT_THAT(names(), ElementsAre("before sleep", "wall100", "boot200"));
    EXPECT_DOUBLE_EQ(runs[0].boot, startBoot) << "what was ready ran before the machine slept";
    time.advance(3600);
    EXPECT_THAT(names(), ElementsAre("before sleep", "wall100", "boot200", "mono50", "boot7200"));
    EXPECT_DOUBLE_EQ(runs[3].monotonic, startBoot + 50);
    EXPECT_DOUBLE_EQ(runs[4].boot, startBoot + 7200);
}

TEST_F(VirtualTimeTest, AWallDeadlineIsNeverEarlyAfterTheClockIsSetBack) {
    auto handle = main.postAt(startWall + 60, record("deadline"));
    time.setWall(startWall - 3600);
    time.advance(60);
    EXPECT_THAT(runs, IsEmpty());
    time.advance(3600);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_DOUBLE_EQ(runs[0].wall, startWall + 60);
    EXPECT_DOUBLE_EQ(runs[0].monotonic, startBoot + 3660);
}

TEST_F(VirtualTimeTest, AWallDeadlineJumpedOverRunsAtTheNextSettle) {
    auto handle = main.postAt(startWall + 600, record("deadline"));
    auto monotonic = main.postAfter(600, record("monotonic"));
    time.setWall(startWall + 3600);
    EXPECT_THAT(runs, IsEmpty()) << "setting the clock runs nothing by itself";
    time.settle();
    EXPECT_THAT(names(), ElementsAre("deadline"));
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot);
}

TEST_F(VirtualTimeTest, AdvanceToAWallTimeStopsThere) {
    auto handle = main.postAt(startWall + 30, record("at30"));
    time.advanceTo(startWall + 20);
    EXPECT_THAT(runs, IsEmpty());
    EXPECT_DOUBLE_EQ(time.clock().now(), startWall + 20);
    time.advanceTo(startWall + 10); // passed: no time moves
    EXPECT_DOUBLE_EQ(time.clock().now(), startWall + 20);
    time.advanceTo(startWall + 30);
    EXPECT_THAT(names(), ElementsAre("at30"));
}

enum class Cancel { byCancel, byDestroyingTheHandle, byReassigningTheHandle, byOrphaningTheGuard, fromInsideATask };

struct CancelCase {
    std::string title;
    Cancel how;
    std::size_t pending; // before time moves
};

class CancelTest : public VirtualTimeTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, CancelledTimersNeverRunAndAreNotPending) {
    auto guard = std::make_unique<LifetimeGuard>();
    auto kept = main.postAfter(20, record("kept"));
    std::optional<TaskHandle> handle;
    switch (GetParam().how) {
    case Cancel::byCancel:
        handle = main.postAfter(10, record("cancelled"));
        handle->cancel();
        EXPECT_FALSE(handle->isScheduled());
        break;
    case Cancel::byDestroyingTheHandle:
        main.postAfter(10, record("cancelled"));
        break;
    case Cancel::byReassigningTheHandle:
        handle = other.postAfter(10, record("cancelled"), TimeBase::boot);
        *handle = main.postAfter(30, record("replacement"));
        break;
    case Cancel::byOrphaningTheGuard:
        main.postAfter(10, guard->wrap(record("cancelled"))).detach();
        guard.reset();
        break;
    case Cancel::fromInsideATask:
        handle = main.postAt(startWall + 10, record("cancelled"));
        main.postAfter(5, [&] { handle->cancel(); }).detach();
        break;
    }
    EXPECT_EQ(time.pending(), GetParam().pending);
    time.advance(60);
    for (const auto& run : runs) {
        EXPECT_NE(run.name, "cancelled");
    }
    const auto ran = names();
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "kept"), 1);
    EXPECT_EQ(time.pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, CancelTest,
                         ::testing::Values(CancelCase{"Cancel", Cancel::byCancel, 1},
                                           CancelCase{"DestroyedHandle", Cancel::byDestroyingTheHandle, 1},
                                           // kept and the replacement
                                           CancelCase{"ReassignedHandle", Cancel::byReassigningTheHandle, 2},
                                           // the wrapped task stays queued and does nothing
                                           CancelCase{"OrphanedGuard", Cancel::byOrphaningTheGuard, 2},
                                           // kept, the victim and the task cancelling it
                                           CancelCase{"FromInsideATask", Cancel::fromInsideATask, 3}),
                         [](const auto& info) { return info.param.title; });

TEST_F(VirtualTimeTest, ADetachedTimerRunsWithoutItsHandle) {
    main.postAfter(10, record("detached")).detach();
    time.advance(10);
    EXPECT_THAT(names(), ElementsAre("detached"));
}

TEST_F(VirtualTimeTest, IsCurrentOnlyWhileItsOwnTaskRuns) {
    std::vector<std::pair<bool, bool>> seen; // main current, other current
    EXPECT_FALSE(main.isCurrent());
    main.post([&] { seen.emplace_back(main.isCurrent(), other.isCurrent()); });
    other.post([&] { seen.emplace_back(main.isCurrent(), other.isCurrent()); });
    time.settle();
    EXPECT_THAT(seen, ElementsAre(std::pair{true, false}, std::pair{false, true}));
    EXPECT_FALSE(main.isCurrent());
    EXPECT_FALSE(other.isCurrent());
}

// A stand-in for the observation writer: tasks hand it items, its own thread delivers them on
// flush and posts a callback for each to the main executor, as the writer's completions do.
class ThreadedSink {
public:
    explicit ThreadedSink(Executor& executor) : executor_(executor) {}
    void add(std::string item) {
        std::lock_guard guard(lock_);
        buffer_.push_back(std::move(item));
    }
    void flush(std::vector<std::string>& delivered) {
        std::vector<std::string> items;
        {
            std::lock_guard guard(lock_);
            items.swap(buffer_);
        }
        std::thread writer([&] {
            for (auto& item : items) {
                executor_.post([&delivered, item] { delivered.push_back(item); });
            }
        });
        writer.join();
        ++flushes;
    }
    int flushes = 0;

private:
    Executor& executor_;
    std::mutex lock_;
    std::vector<std::string> buffer_;
};

TEST_F(VirtualTimeTest, FlushersRunAfterRoundsUntilNothingIsLeft) {
    ThreadedSink sink(main);
    std::vector<std::string> delivered;
    time.addFlusher([&] { sink.flush(delivered); });

    time.settle();
    EXPECT_EQ(sink.flushes, 0) << "no task ran, so no flush";

    other.post([&] { sink.add("a"); });
    auto timer = other.postAfter(5, [&] { sink.add("b"); });
    time.settle();
    EXPECT_THAT(delivered, ElementsAre("a"));
    // Round 1 ran the post, round 2 the callback; round 3 ran nothing.
    EXPECT_EQ(sink.flushes, 2);

    // A callback that writes again is flushed in the same settle.
    main.post([&] {
        sink.add("c");
        delivered.push_back("posted");
    });
    time.advance(10);
    EXPECT_THAT(delivered, ElementsAre("a", "posted", "c", "b"));
    EXPECT_EQ(time.pending(), 0u);
}

TEST_F(VirtualTimeTest, ATaskThatRepostsItselfForeverStopsTheSettleWithAnError) {
    std::function<void()> again = [&] { main.post(again); };
    main.post(again);
    EXPECT_THROW(time.settle(), VirtualTimeError);
}

TEST_F(VirtualTimeTest, DrivingTimeFromATaskIsRefused) {
    std::vector<std::string> errors;
    main.post([&] {
        try {
            time.advance(1);
        } catch (const VirtualTimeError& error) {
            errors.emplace_back(error.what());
        }
    });
    time.settle();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot);
    // A failed drive leaves time usable.
    auto timer = main.postAfter(1, record("after"));
    time.advance(1);
    EXPECT_THAT(names(), ElementsAre("after"));
}

TEST_F(VirtualTimeTest, RefusesDurationsThatAreNotTimes) {
    EXPECT_THROW(time.advance(-1), std::invalid_argument);
    EXPECT_THROW(time.sleep(std::numeric_limits<double>::infinity()), std::invalid_argument);
    EXPECT_THROW(time.advance(std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
    EXPECT_THROW(main.postAfter(std::numeric_limits<double>::quiet_NaN(), [] {}), std::invalid_argument);
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot);
}

TEST_F(VirtualTimeTest, ATaskThatThrowsLeavesTheRestQueued) {
    main.post([] { throw std::runtime_error("task failed"); });
    main.post(record("next"));
    EXPECT_THROW(time.settle(), std::runtime_error);
    EXPECT_FALSE(main.isCurrent());
    time.settle();
    EXPECT_THAT(names(), ElementsAre("next"));
}

TEST_F(VirtualTimeTest, TheClockIsReadableFromAnotherThreadWhileTimeMoves) {
    std::vector<TaskHandle> handles;
    for (int index = 1; index <= 1000; ++index) {
        handles.push_back(main.postAfter(index, [] {}));
    }
    std::atomic<bool> done = false;
    std::atomic<bool> wentBack = false;
    std::thread reader([&] {
        double last = time.clock().monotonic();
        while (!done.load()) {
            const double now = time.clock().monotonic();
            wentBack = wentBack || now < last;
            last = now;
        }
    });
    time.advance(1000);
    done = true;
    reader.join();
    EXPECT_FALSE(wentBack.load());
    EXPECT_DOUBLE_EQ(time.clock().monotonic(), startBoot + 1000);
}

TEST(VirtualRuntime, KeepsOneQueuePerLabelAllRunningInVirtualTime) {
    VirtualTime time;
    VirtualRuntime runtime(time);
    EXPECT_EQ(runtime.main().label(), "main");
    EXPECT_EQ(runtime.worker().label(), "worker");
    Executor& accessibility = runtime.queue("Ostrel.accessibility");
    EXPECT_EQ(&runtime.queue("Ostrel.accessibility"), &accessibility);
    EXPECT_NE(&runtime.queue("Ostrel.calendar"), &accessibility);
    EXPECT_EQ(&runtime.clock(), &time.clock());

    std::vector<std::string> ran;
    auto later = runtime.worker().postAfter(2, [&] { ran.push_back("worker"); });
    accessibility.post([&] { ran.push_back("accessibility"); });
    runtime.main().postAfter(1, [&] { ran.push_back("main"); }).detach();
    time.advance(5);
    EXPECT_THAT(ran, ElementsAre("accessibility", "main", "worker"));
}

} // namespace
} // namespace ostrel
