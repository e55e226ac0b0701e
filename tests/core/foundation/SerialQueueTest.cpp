#include "core/foundation/SerialQueue.hpp"

#include "support/LogCapture.hpp"

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(SerialQueue, RunsJobsOneAtATimeInSubmissionOrderFromManyThreads) {
    std::vector<int> seen;
    std::atomic<int> running = 0;
    bool overlapped = false;
    {
        SerialQueue queue("Ostrel.test");
        std::vector<std::thread> producers;
        for (int p = 0; p < 4; ++p) {
            producers.emplace_back([&, p] {
                for (int i = 0; i < 500; ++i) {
                    queue.async([&, p, i] {
                        overlapped |= running.fetch_add(1) != 0;
                        seen.push_back(p * 1000 + i);
                        running.fetch_sub(1);
                    });
                }
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
    } // destruction drains
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(seen.size(), 2000u);
    std::vector<int> last(4, -1);
    for (const int value : seen) {
        EXPECT_GT(value % 1000, last[value / 1000]) << "each producer's jobs run in its order";
        last[value / 1000] = value % 1000;
    }
}

TEST(SerialQueue, SyncWaitsForEarlierJobsAndRunsAtOnceOnItsOwnQueue) {
    SerialQueue queue("Ostrel.test");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<int> order;
    std::mutex orderLock;
    auto note = [&](int n) {
        std::lock_guard guard(orderLock);
        order.push_back(n);
    };

    queue.async([&] {
        released.wait();
        note(1);
    });
    std::thread releaser([&] { release.set_value(); });
    queue.sync([&] { note(2); });
    releaser.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    // On its own queue a sync job would wait for itself; it runs in place instead.
    bool ranInside = false;
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { ranInside = true; });
    });
    EXPECT_TRUE(ranInside);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueue, SyncRethrowsTheJobsErrorAndAnAsyncJobsErrorIsLogged) {
    test::LogCapture capture(/*revealPrivate=*/true);
    SerialQueue queue("Ostrel.test");
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    // The queue goes on after a failing job.
    int value = 0;
    queue.async([] { throw std::runtime_error("ignored"); });
    queue.sync([&] { value = 1; });
    EXPECT_EQ(value, 1);
    const auto entries = capture.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::fault);
    EXPECT_EQ(entries[0].message, "A job on Ostrel.test threw: ignored");
}

TEST(SerialQueue, DestructionRunsEveryQueuedJobIncludingOnesQueuedByJobs) {
    std::atomic<int> count = 0;
    {
        SerialQueue queue("Ostrel.test");
        queue.async([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++count;
            queue.async([&] { ++count; });
        });
        for (int i = 0; i < 10; ++i) {
            queue.async([&] { ++count; });
        }
    }
    EXPECT_EQ(count.load(), 12);
}

} // namespace
} // namespace ostrel
