#include "ui/QuitSignals.hpp"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <csignal>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

using ::testing::UnorderedElementsAreArray;

// raise() sends to this thread, which QuitSignals blocks the signals in, so another thread of the
// test program never takes them.
TEST(QuitSignals, QuitSignalsReachTheCallbackOnTheMainLoop) {
    struct Case {
        const char* name;
        std::vector<int> raised;
    };
    const Case cases[] = {
        {"interrupt", {SIGINT}},
        {"terminate", {SIGTERM}},
        {"both before the loop runs", {SIGTERM, SIGINT}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<int> received;
        bool onLoop = true;
        QuitSignals quit([&](int signal) {
            received.push_back(signal);
            onLoop = onLoop && QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        for (int signal : test.raised) {
            ASSERT_EQ(std::raise(signal), 0);
        }
        EXPECT_TRUE(received.empty()) << "the callback ran inside the signal's delivery";
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= test.raised.size(); }, 20'000));
        EXPECT_THAT(received, UnorderedElementsAreArray(test.raised));
        EXPECT_TRUE(onLoop);
    }
}

TEST(QuitSignals, DestructionPutsBackTheSignalMask) {
    sigset_t before;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
    ASSERT_EQ(sigismember(&before, SIGTERM), 0);
    {
        QuitSignals quit([](int) {});
        sigset_t during;
        ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &during), 0);
        EXPECT_EQ(sigismember(&during, SIGTERM), 1);
        EXPECT_EQ(sigismember(&during, SIGINT), 1);
    }
    sigset_t after;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &after), 0);
    EXPECT_EQ(sigismember(&after, SIGTERM), 0);
    EXPECT_EQ(sigismember(&after, SIGINT), 0);
}

TEST(QuitSignals, BlockingFirstCoversTheThreadsStartedAfterAndOutlivesTheReader) {
    sigset_t before;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
    QuitSignals::block();
    bool threadBlocksBoth = false;
    std::thread([&] {
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        threadBlocksBoth = sigismember(&mask, SIGINT) == 1 && sigismember(&mask, SIGTERM) == 1;
    }).join();
    EXPECT_TRUE(threadBlocksBoth);
    {
        QuitSignals quit([](int) {});
    }
    sigset_t after;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, &before, &after), 0); // the rest of the tests as before
    EXPECT_EQ(sigismember(&after, SIGTERM), 1) << "the reader unblocked what block() had blocked";
}

} // namespace
} // namespace ostrel::ui
