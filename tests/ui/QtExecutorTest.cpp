#include "ui/QtExecutor.hpp"
#include "ui/QtRuntime.hpp"

#include "support/LogCapture.hpp"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

using ::testing::ElementsAreArray;

// Only a hung executor gets near it.
constexpr int deadlineMs = 20'000;

// The system's clocks with the wall and boot readings moved by hand: a clock set back or forward,
// or a sleep the monotonic clock did not see.
class ShiftedClock final : public Clock {
public:
    Date now() const override { return system_.now() + wallShift.load(); }
    double monotonic() const override { return system_.monotonic(); }
    double boot() const override { return system_.boot() + bootShift.load(); }

    std::atomic<double> wallShift = 0;
    std::atomic<double> bootShift = 0;

private:
    SystemClock system_;
};

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Runs the loop until flag is set; false when the deadline passed first.
bool waitFor(const std::atomic<bool>& flag) {
    return QTest::qWaitFor([&] { return flag.load(); }, deadlineMs);
}

class QtExecutorTest : public testing::Test {
protected:
    ShiftedClock clock;
    QtExecutor executor{"main", clock};
};

TEST_F(QtExecutorTest, RunsPostsOnTheMainLoopInTheOrderPosted) {
    std::vector<int> order;
    std::atomic<bool> done = false;
    bool allOnMain = true;
    for (int index = 0; index < 200; ++index) {
        executor.post([&, index] {
            order.push_back(index);
            allOnMain = allOnMain && onMainThread() && executor.isCurrent();
        });
    }
    executor.post([&] { done = true; });
    EXPECT_TRUE(order.empty()) << "post ran a task before the loop did";
    ASSERT_TRUE(waitFor(done));
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_THAT(order, ElementsAreArray(expected));
    EXPECT_TRUE(allOnMain);
}

TEST_F(QtExecutorTest, PostsFromOtherThreadsRunOnTheMainThreadInEachThreadsOrder) {
    constexpr int perThread = 300;
    std::vector<std::pair<int, int>> ran; // (thread, index), touched on the main thread only
    std::atomic<int> count = 0;
    bool allOnMain = true;
    std::vector<std::thread> posters;
    for (int thread = 0; thread < 3; ++thread) {
        posters.emplace_back([&, thread] {
            for (int index = 0; index < perThread; ++index) {
                executor.post([&, thread, index] {
                    ran.emplace_back(thread, index);
                    allOnMain = allOnMain && onMainThread();
                    ++count;
                });
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return count.load() == 3 * perThread; }, deadlineMs));
    EXPECT_TRUE(allOnMain);
    for (int thread = 0; thread < 3; ++thread) {
        std::vector<int> indices;
        for (const auto& [from, index] : ran) {
            if (from == thread) {
                indices.push_back(index);
            }
        }
        std::vector<int> expected(perThread);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_THAT(indices, ElementsAreArray(expected)) << "thread " << thread;
    }
}

TEST_F(QtExecutorTest, TimersFireInDeadlineOrderThenInTheOrderPostedAndNeverEarly) {
    struct Case {
        const char* name;
        std::vector<double> delays;
    };
    const Case cases[] = {
        // Apart by far more than posting takes, so the deadlines keep the delays' order.
        {"reversed", {0.15, 0.1, 0.05, 0.0}},
        {"shuffled", {0.1, 0.0, 0.15, 0.05}},
        {"ties keep the posting order", {0.05, 0.0, 0.05, 0.0, 0.0}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<int> order;
        std::vector<double> lateness;
        std::vector<TaskHandle> handles;
        const double posted = clock.monotonic();
        for (int index = 0; index < static_cast<int>(test.delays.size()); ++index) {
            const double due = posted + test.delays[index];
            handles.push_back(executor.postAfter(test.delays[index], [&, index, due] {
                order.push_back(index);
                lateness.push_back(clock.monotonic() - due);
            }));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == test.delays.size(); }, deadlineMs));
        std::vector<int> expected(test.delays.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int left, int right) { return test.delays[left] < test.delays[right]; });
        EXPECT_THAT(order, ElementsAreArray(expected));
        for (double late : lateness) {
            EXPECT_GE(late, 0.0) << "a timer ran before its deadline";
        }
        for (const TaskHandle& handle : handles) {
            EXPECT_FALSE(handle.isScheduled());
        }
    }
}

TEST_F(QtExecutorTest, ACancelledTaskNeverRuns) {
    std::atomic<bool> cancelledRan = false, droppedRan = false, detachedRan = false, marker = false;
    TaskHandle cancelled = executor.postAfter(0.01, [&] { cancelledRan = true; });
    EXPECT_TRUE(cancelled.isScheduled());
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isScheduled());
    { TaskHandle dropped = executor.postAt(clock.now(), [&] { droppedRan = true; }); }
    executor.postAfter(0.01, [&] { detachedRan = true; }).detach();
    TaskHandle cancelledFromAnotherThread = executor.postAfter(0.02, [&] { cancelledRan = true; });
    std::thread([&] { cancelledFromAnotherThread.cancel(); }).join();
    executor.postAfter(0.05, [&] { marker = true; }).detach();

    ASSERT_TRUE(waitFor(marker));
    EXPECT_FALSE(cancelledRan.load());
    EXPECT_FALSE(droppedRan.load());
    EXPECT_TRUE(detachedRan.load());
}

TEST_F(QtExecutorTest, AWallDeadlineWaitsForTheClockWhenItIsSetBack) {
    std::atomic<bool> ran = false, marker = false;
    Date ranAt = 0;
    const Date deadline = clock.now() + 0.05;
    TaskHandle handle = executor.postAt(deadline, [&] {
        ranAt = clock.now();
        ran = true;
    });
    clock.wallShift = -3600; // the user set the clock back an hour
    executor.postAfter(0.3, [&] { marker = true; }).detach();
    ASSERT_TRUE(waitFor(marker));
    EXPECT_FALSE(ran.load()) << "ran while the wall clock read before its deadline";
    EXPECT_TRUE(handle.isScheduled());

    clock.wallShift = 0;
    ASSERT_TRUE(waitFor(ran));
    EXPECT_GE(ranAt, deadline);
}

TEST_F(QtExecutorTest, ABootDelayIsNotHeldBackBySleep) {
    std::atomic<bool> ran = false;
    TaskHandle handle = executor.postAfter(600, [&] { ran = true; }, TimeBase::boot);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran.load());
    clock.bootShift = 601; // ten minutes asleep: the monotonic clock and Qt's timers did not move
    ASSERT_TRUE(waitFor(ran));
}

TEST_F(QtExecutorTest, IsCurrentOnlyInsideItsOwnTasksOnTheMainThread) {
    QtExecutor other("other", clock);
    std::atomic<bool> done = false;
    bool inside = false, otherInside = true, fromAnotherThread = true;
    executor.post([&] {
        inside = executor.isCurrent();
        otherInside = other.isCurrent();
        std::thread([&] { fromAnotherThread = executor.isCurrent(); }).join();
        done = true;
    });
    EXPECT_FALSE(executor.isCurrent());
    ASSERT_TRUE(waitFor(done));
    EXPECT_TRUE(inside);
    EXPECT_FALSE(otherInside);
    EXPECT_FALSE(fromAnotherThread);
    EXPECT_FALSE(executor.isCurrent());
}

TEST_F(QtExecutorTest, ATaskThatThrowsIsLoggedAndTheLoopGoesOn) {
    test::LogCapture log;
    std::atomic<bool> after = false;
    executor.post([] { throw std::runtime_error("boom"); });
    executor.post([&] { after = true; });
    ASSERT_TRUE(waitFor(after));
    const auto entries = log.entries();
    ASSERT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const LogEntry& entry) { return entry.category == "runtime"; }),
              1);
}

TEST(QtExecutorLifetime, DestructionDropsWhatHasNotRun) {
    ShiftedClock clock;
    auto token = std::make_shared<int>(0);
    std::atomic<bool> ran = false;
    {
        QtExecutor executor("main", clock);
        executor.post([&ran, token] { ran = true; });
        executor.postAfter(0, [&ran, token] { ran = true; }).detach();
        executor.postAt(clock.now() + 3600, [&ran, token] { ran = true; }).detach();
        std::thread([&] { executor.post([&ran, token] { ran = true; }); }).join();
    }
    EXPECT_EQ(token.use_count(), 1) << "a dropped task still holds what it captured";
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ran.load());
}

TEST(QtRuntime, MainIsTheLoopAndTheOthersAreThreadsOfTheirOwn) {
    QtRuntime runtime;
    Executor& calendar = runtime.queue("Ostrel.calendar");
    EXPECT_EQ(&runtime.queue("Ostrel.calendar"), &calendar);
    EXPECT_EQ(&runtime.main().clock(), &runtime.clock());

    std::atomic<bool> mainRan = false, workerRan = false, calendarRan = false;
    bool mainOnLoop = false, workerOnLoop = true, calendarOnLoop = true;
    runtime.main().post([&] {
        mainOnLoop = onMainThread() && runtime.main().isCurrent();
        mainRan = true;
    });
    runtime.worker().post([&] {
        workerOnLoop = onMainThread();
        // Results come back to the loop.
        runtime.main().post([&] { workerRan = true; });
    });
    calendar.post([&] {
        calendarOnLoop = onMainThread();
        calendarRan = true;
    });
    ASSERT_TRUE(waitFor(mainRan));
    ASSERT_TRUE(waitFor(workerRan));
    ASSERT_TRUE(waitFor(calendarRan));
    EXPECT_TRUE(mainOnLoop);
    EXPECT_FALSE(workerOnLoop);
    EXPECT_FALSE(calendarOnLoop);
}

} // namespace
} // namespace ostrel::ui
