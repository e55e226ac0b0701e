#include "platform/Subscription.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Delivery {
    int event = 0;
    bool onItsExecutor = false;
    bool operator==(const Delivery&) const = default;
};

class SubscriptionTest : public ::testing::Test {
protected:
    VirtualTime time;
    Executor& first = time.makeExecutor("first");
    Executor& second = time.makeExecutor("second");
    std::vector<Delivery> toFirst;
    std::vector<Delivery> toSecond;

    Subscription subscribe(Subscribers<int>& subscribers, Executor& executor, std::vector<Delivery>& into) {
        return subscribers.add(executor, [&executor, &into](const int& event) {
            into.push_back({event, executor.isCurrent()});
        });
    }
};

TEST_F(SubscriptionTest, EachSubscriberGetsEveryEventOnItsOwnExecutorInOrder) {
    Subscribers<int> subscribers;
    EXPECT_TRUE(subscribers.empty());
    auto a = subscribe(subscribers, first, toFirst);
    auto b = subscribe(subscribers, second, toSecond);
    EXPECT_FALSE(subscribers.empty());
    for (int event = 1; event <= 3; ++event) {
        subscribers.emit(event);
    }
    EXPECT_THAT(toFirst, IsEmpty()) << "delivered on the executor, not inside emit";
    time.settle();
    EXPECT_THAT(toFirst, ElementsAre(Delivery{1, true}, Delivery{2, true}, Delivery{3, true}));
    EXPECT_THAT(toSecond, ElementsAre(Delivery{1, true}, Delivery{2, true}, Delivery{3, true}));
}

TEST_F(SubscriptionTest, ACancelledSubscriptionGetsNothingEvenIfAlreadyPosted) {
    Subscribers<int> subscribers;
    auto a = subscribe(subscribers, first, toFirst);
    auto b = subscribe(subscribers, second, toSecond);
    subscribers.emit(1);
    a.cancel();
    subscribers.emit(2);
    time.settle();
    EXPECT_THAT(toFirst, IsEmpty());
    EXPECT_THAT(toSecond, ElementsAre(Delivery{1, true}, Delivery{2, true}));
}

TEST_F(SubscriptionTest, DestroyingOrReplacingTheTokenUnsubscribes) {
    Subscribers<int> subscribers;
    {
        auto dropped = subscribe(subscribers, first, toFirst);
        subscribers.emit(1);
    }
    auto replaced = subscribe(subscribers, first, toFirst);
    subscribers.emit(2);
    replaced = subscribe(subscribers, second, toSecond);
    subscribers.emit(3);
    time.settle();
    EXPECT_THAT(toFirst, IsEmpty());
    EXPECT_THAT(toSecond, ElementsAre(Delivery{3, true}));
    replaced.cancel();
    EXPECT_TRUE(subscribers.empty());
}

TEST_F(SubscriptionTest, ACallbackMayCancelItsOwnSubscription) {
    Subscribers<int> subscribers;
    std::vector<int> seen;
    Subscription subscription;
    subscription = subscribers.add(first, [&](const int& event) {
        seen.push_back(event);
        subscription.cancel();
    });
    subscribers.emit(1);
    subscribers.emit(2);
    time.settle();
    EXPECT_THAT(seen, ElementsAre(1));
    EXPECT_TRUE(subscribers.empty());
}

TEST_F(SubscriptionTest, ASubscriptionMayOutliveItsSubscribers) {
    auto subscribers = std::make_unique<Subscribers<int>>();
    auto a = subscribe(*subscribers, first, toFirst);
    auto b = subscribe(*subscribers, second, toSecond);
    subscribers->emit(1);
    subscribers.reset();
    b.cancel();
    time.settle();
    // What was emitted while the subscription lived still arrives; cancelling later is harmless.
    EXPECT_THAT(toFirst, ElementsAre(Delivery{1, true}));
    EXPECT_THAT(toSecond, IsEmpty());
    a.cancel();
    a.cancel();
}

} // namespace
} // namespace ostrel
