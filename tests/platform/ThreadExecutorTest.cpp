#include "platform/SystemRuntime.hpp"
#include "platform/ThreadExecutor.hpp"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
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

// Generous: only a hung executor gets near it.
constexpr auto deadline = std::chrono::seconds(30);

// Posts a task that completes a future and waits for it: everything posted before has run.
void drain(Executor& executor) {
    std::promise<void> done;
    auto future = done.get_future();
    executor.post([&] { done.set_value(); });
    ASSERT_EQ(future.wait_for(deadline), std::future_status::ready) << executor.label() << " hung";
}

// Holds the executor's thread until released, so that what is posted meanwhile is still queued.
class Blocker {
public:
    explicit Blocker(Executor& executor) {
        auto started = std::make_shared<std::promise<void>>();
        auto running = started->get_future();
        executor.post([started, release = release_.get_future().share()] {
            started->set_value();
            release.wait();
        });
        EXPECT_EQ(running.wait_for(deadline), std::future_status::ready);
    }
    ~Blocker() { release(); }
    void release() {
        if (!released_) {
            released_ = true;
            release_.set_value();
        }
    }

private:
    std::promise<void> release_;
    bool released_ = false;
};

class ThreadExecutorTest : public ::testing::Test {
protected:
    SystemClock clock;
    ThreadExecutor executor{"Ostrel.accessibility", clock};
    std::mutex lock;
    std::vector<std::string> ran;

    Task record(std::string name) {
        return [this, name = std::move(name)] {
            std::lock_guard guard(lock);
            ran.push_back(name);
        };
    }
    std::vector<std::string> seen() {
        std::lock_guard guard(lock);
        return ran;
    }
};

TEST_F(ThreadExecutorTest, RunsPostsInOrderOnItsOwnNamedThread) {
    std::vector<std::string> expected;
    for (int index = 0; index < 200; ++index) {
        executor.post(record(std::to_string(index)));
        expected.push_back(std::to_string(index));
    }
    std::string threadName;
    bool current = false;
    executor.post([&] {
        char name[16] = {};
        ::pthread_getname_np(::pthread_self(), name, sizeof name);
        threadName = name;
        current = executor.isCurrent();
    });
    drain(executor);
    EXPECT_THAT(seen(), ElementsAreArray(expected));
    EXPECT_EQ(threadName, "Ostrel.accessib");
    EXPECT_TRUE(current);
    EXPECT_FALSE(executor.isCurrent());
}

TEST_F(ThreadExecutorTest, DueTimersRunInDeadlineOrderThenPostingOrder) {
    std::vector<TaskHandle> handles;
    {
        // Everything falls due while the thread is held, so the order is the queue's, not the race's.
        Blocker blocker(executor);
        handles.push_back(executor.postAfter(0.03, record("mono30")));
        handles.push_back(executor.postAt(clock.now() + 0.01, record("wall10")));
        handles.push_back(executor.postAfter(0.02, record("boot20"), TimeBase::boot));
        executor.post(record("posted"));
        std::promise<void> passed;
        auto future = passed.get_future();
        std::thread waiter([&] {
            const double until = clock.monotonic() + 0.05;
            while (clock.monotonic() < until) {
                std::this_thread::yield();
            }
            passed.set_value();
        });
        ASSERT_EQ(future.wait_for(deadline), std::future_status::ready);
        waiter.join();
    }
    drain(executor);
    // The post was due first: it was queued at a moment before any deadline.
    EXPECT_THAT(seen(), ElementsAre("posted", "wall10", "boot20", "mono30"));
}

TEST_F(ThreadExecutorTest, TimersNeverRunEarly) {
    struct Fired {
        double monotonic = 0, boot = 0;
        Date wall = 0;
    };
    std::promise<Fired> monotonic, boot, wall;
    const double monotonicDue = clock.monotonic() + 0.05;
    const double bootDue = clock.boot() + 0.05;
    const Date wallDue = clock.now() + 0.05;
    auto fire = [this](std::promise<Fired>& promise) {
        return [this, &promise] { promise.set_value({clock.monotonic(), clock.boot(), clock.now()}); };
    };
    auto a = executor.postAfter(0.05, fire(monotonic));
    auto b = executor.postAfter(0.05, fire(boot), TimeBase::boot);
    auto c = executor.postAt(wallDue, fire(wall));
    auto monotonicFired = monotonic.get_future();
    auto bootFired = boot.get_future();
    auto wallFired = wall.get_future();
    ASSERT_EQ(monotonicFired.wait_for(deadline), std::future_status::ready);
    ASSERT_EQ(bootFired.wait_for(deadline), std::future_status::ready);
    ASSERT_EQ(wallFired.wait_for(deadline), std::future_status::ready);
    EXPECT_GE(monotonicFired.get().monotonic, monotonicDue);
    EXPECT_GE(bootFired.get().boot, bootDue);
    EXPECT_GE(wallFired.get().wall, wallDue);
}

TEST_F(ThreadExecutorTest, AWallDeadlineInThePastRunsAtOnce) {
    std::promise<void> done;
    auto future = done.get_future();
    auto handle = executor.postAt(clock.now() - 3600, [&] { done.set_value(); });
    EXPECT_EQ(future.wait_for(deadline), std::future_status::ready);
}

enum class Cancel { byCancel, byDestroyingTheHandle, byOrphaningTheGuard, fromAnotherTask };

class ThreadExecutorCancel : public ThreadExecutorTest, public ::testing::WithParamInterface<Cancel> {};

TEST_P(ThreadExecutorCancel, CancelledTasksNeverRun) {
    auto guard = std::make_unique<LifetimeGuard>();
    {
        // Due at once but held back, so each is cancelled while queued and due.
        Blocker blocker(executor);
        TaskHandle handle;
        switch (GetParam()) {
        case Cancel::byCancel:
            handle = executor.postAfter(0, record("cancelled"));
            handle.cancel();
            break;
        case Cancel::byDestroyingTheHandle:
            executor.postAt(clock.now(), record("cancelled"));
            break;
        case Cancel::byOrphaningTheGuard:
            executor.post(guard->wrap(record("cancelled")));
            guard.reset();
            break;
        case Cancel::fromAnotherTask: {
            auto shared = std::make_shared<TaskHandle>();
            executor.post([shared] { shared->cancel(); });
            *shared = executor.postAfter(0, record("cancelled"));
            break;
        }
        }
        executor.post(record("kept"));
    }
    drain(executor);
    EXPECT_THAT(seen(), ElementsAre("kept"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadExecutorCancel,
                         ::testing::Values(Cancel::byCancel, Cancel::byDestroyingTheHandle,
                                           Cancel::byOrphaningTheGuard, Cancel::fromAnotherTask));

TEST_F(ThreadExecutorTest, AHandleReadsScheduledUntilItsTaskStarts) {
    TaskHandle handle;
    {
        Blocker blocker(executor);
        handle = executor.postAfter(0, record("timer"));
        EXPECT_TRUE(handle.isScheduled());
    }
    drain(executor);
    EXPECT_THAT(seen(), ElementsAre("timer"));
    EXPECT_FALSE(handle.isScheduled());
}

TEST_F(ThreadExecutorTest, ATaskThatThrowsDoesNotStopTheQueue) {
    executor.post([] { throw std::runtime_error("failed"); });
    executor.post(record("after"));
    drain(executor);
    EXPECT_THAT(seen(), ElementsAre("after"));
}

// A clock the test sets, standing in for a suspend or a change of the wall clock that a
// condition variable's wait cannot see. Counts how often the executor read it, so that the test
// knows the executor has looked at a reading without sleeping for a fixed time.
class SetClock final : public Clock {
public:
    Date now() const override { return counted(wall_); }
    double monotonic() const override { return monotonic_.load(); }
    double boot() const override { return counted(boot_); }

    void set(bool wall, double reading) { (wall ? wall_ : boot_).store(reading); }
    // Waits until the wall and boot clocks were read `times` more times from now on.
    bool waitForReads(int times) {
        std::unique_lock lock(lock_);
        const long until = reads_ + times;
        return read_.wait_for(lock, deadline, [&] { return reads_ >= until; });
    }

private:
    double counted(const std::atomic<double>& reading) const {
        {
            std::lock_guard guard(lock_);
            ++reads_;
        }
        read_.notify_all();
        return reading.load();
    }

    std::atomic<double> wall_ = 1'757'916'000.0;
    std::atomic<double> monotonic_ = 100.0;
    std::atomic<double> boot_ = 100.0;
    mutable std::mutex lock_;
    mutable std::condition_variable read_;
    mutable long reads_ = 0;
};

struct JumpCase {
    std::string title;
    bool onWall; // else on boot time
};

class ThreadExecutorJump : public ::testing::TestWithParam<JumpCase> {};

TEST_P(ThreadExecutorJump, ADeadlineReachedByAJumpFiresAtTheNextRecheckNeverBefore) {
    SetClock clock;
    ThreadExecutor executor("jump", clock);
    std::promise<double> fired;
    auto future = fired.get_future();
    const bool onWall = GetParam().onWall;
    const double due = (onWall ? clock.now() : clock.boot()) + 3600;
    auto read = [&clock, onWall] { return onWall ? clock.now() : clock.boot(); };
    auto handle = onWall ? executor.postAt(due, [&] { fired.set_value(read()); })
                         : executor.postAfter(3600, [&] { fired.set_value(read()); }, TimeBase::boot);
    // Nearly there: the executor looks again (its wait is capped at the recheck interval, not the
    // hour left) and must not fire it.
    clock.set(onWall, due - 1);
    ASSERT_TRUE(clock.waitForReads(3)); // a whole loop after the change
    EXPECT_EQ(future.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    // The clock jumps past the deadline while the executor waits: only a recheck notices.
    clock.set(onWall, due + 5);
    ASSERT_EQ(future.wait_for(deadline), std::future_status::ready);
    EXPECT_GE(future.get(), due);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadExecutorJump,
                         ::testing::Values(JumpCase{"Wall", true}, JumpCase{"Boot", false}),
                         [](const auto& info) { return info.param.title; });

TEST(ThreadExecutor, DestructionRunsWhatWasPostedButNotFutureTimers) {
    SystemClock clock;
    std::atomic<int> posted = 0;
    std::atomic<bool> timerRan = false;
    std::atomic<bool> cancelledRan = false;
    std::atomic<bool> followUpRan = false;
    {
        auto executor = std::make_unique<ThreadExecutor>("drain", clock);
        Blocker blocker(*executor);
        for (int index = 0; index < 50; ++index) {
            executor->post([&] { ++posted; });
        }
        Executor& raw = *executor;
        executor->post([&] { raw.post([&] { followUpRan = true; }); });
        executor->postAfter(3600, [&] { timerRan = true; }, TimeBase::boot).detach();
        executor->postAt(clock.now() + 3600, [&] { timerRan = true; }).detach();
        auto cancelled = executor->postAfter(0, [&] { cancelledRan = true; });
        cancelled.cancel();
        blocker.release();
        executor.reset();
    }
    EXPECT_EQ(posted.load(), 50);
    EXPECT_TRUE(followUpRan.load());
    EXPECT_FALSE(timerRan.load());
    EXPECT_FALSE(cancelledRan.load());
}

TEST(SystemRuntime, RunsEachExecutorOnItsOwnThreadAndKeepsQueuesByLabel) {
    SystemRuntime runtime;
    EXPECT_EQ(runtime.main().label(), "main");
    EXPECT_EQ(runtime.worker().label(), "worker");
    Executor& calendar = runtime.queue("Ostrel.calendar");
    EXPECT_EQ(&runtime.queue("Ostrel.calendar"), &calendar);
    EXPECT_NE(&runtime.queue("Ostrel.audio"), &calendar);

    std::thread::id mainThread, workerThread, calendarThread;
    bool mainCurrent = false;
    runtime.main().post([&] {
        mainThread = std::this_thread::get_id();
        mainCurrent = runtime.main().isCurrent() && !runtime.worker().isCurrent();
    });
    runtime.worker().post([&] { workerThread = std::this_thread::get_id(); });
    calendar.post([&] { calendarThread = std::this_thread::get_id(); });
    drain(runtime.main());
    drain(runtime.worker());
    drain(calendar);
    EXPECT_TRUE(mainCurrent);
    EXPECT_NE(mainThread, workerThread);
    EXPECT_NE(workerThread, calendarThread);
    EXPECT_NE(mainThread, std::this_thread::get_id());
}

// The worker and the named queues stop before main, so what they hand to main while they drain
// still reaches a live executor and runs.
TEST(SystemRuntime, TakesItsMainFromTheMakerAndStopsItLast) {
    std::atomic<int> handedOver = 0;
    const Clock* makerClock = nullptr;
    {
        SystemRuntime runtime([&](const Clock& clock) {
            makerClock = &clock;
            return std::make_unique<ThreadExecutor>("loop", clock);
        });
        EXPECT_EQ(makerClock, &runtime.clock());
        EXPECT_EQ(runtime.main().label(), "loop");
        Executor& main = runtime.main();
        Blocker worker(runtime.worker());
        Blocker queue(runtime.queue("Ostrel.audio"));
        runtime.worker().post([&] { main.post([&] { ++handedOver; }); });
        runtime.queue("Ostrel.audio").post([&] { main.post([&] { ++handedOver; }); });
        worker.release();
        queue.release();
    }
    EXPECT_EQ(handedOver.load(), 2);
    EXPECT_THROW(SystemRuntime([](const Clock&) { return std::unique_ptr<Executor>(); }), std::invalid_argument);
}

} // namespace
} // namespace ostrel
