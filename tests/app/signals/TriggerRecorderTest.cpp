#include "app/signals/TriggerRecorder.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/LogCapture.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;

class TriggerRecorderTest : public ::testing::Test {
protected:
    // Seconds from the start of virtual time, as stored milliseconds.
    std::int64_t ms(double seconds) const { return static_cast<std::int64_t>((start + seconds) * 1000); }

    void observe(const Signal& signal, double seconds) {
        writer.record(signal, EmptyPayload{}, start + seconds);
    }

    // Moves the clock to `seconds` and runs one update to its end.
    void updateAt(double seconds) {
        time.advanceTo(start + seconds);
        recorder.update();
        writer.flush();
    }

    std::vector<Trigger> stored() {
        return store.triggers(std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max());
    }

    test::TempDir dir;
    Store store{dir / "quev.sqlite"};
    ObservationWriter writer{store};
    VirtualTime time;
    const Date start = time.clock().now();
    std::vector<std::vector<Trigger>> handed;
    TriggerRecorder recorder{store, writer, time.clock(),
                             [this](const std::vector<Trigger>& fresh) { handed.push_back(fresh); }};
};

TEST_F(TriggerRecorderTest, HandsEachTriggerOverOnceAndStoresEveryOne) {
    observe(Signal::wake, 10);
    updateAt(11);
    // The unlock comes two minutes later, past the merging of arrivals: a trigger of its own.
    observe(Signal::unlock, 130);
    updateAt(131);
    updateAt(132); // nothing new

    const std::vector<std::vector<Trigger>> expected{{{ms(10), Kind::wake}}, {{ms(130), Kind::unlock}}};
    EXPECT_EQ(handed, expected);
    EXPECT_EQ(stored(), (std::vector<Trigger>{{ms(10), Kind::wake}, {ms(130), Kind::unlock}}));
}

TEST_F(TriggerRecorderTest, ATriggerStoredBeforeIsInsertedAgainButNotHandedOver) {
    store.insert(std::vector<Trigger>{{ms(10), Kind::wake}});
    observe(Signal::wake, 10);
    updateAt(11);
    EXPECT_TRUE(handed.empty());
    EXPECT_EQ(stored(), (std::vector<Trigger>{{ms(10), Kind::wake}}));
}

TEST_F(TriggerRecorderTest, OnlyTheDetectionWindowGivesTriggers) {
    // A wake twenty minutes old lies in the read window but before the detection window.
    observe(Signal::wake, 0);
    updateAt(20 * 60);
    updateAt(20 * 60 + 1);
    EXPECT_TRUE(handed.empty());
    EXPECT_TRUE(stored().empty());

    // Fifteen minutes old is still detected.
    observe(Signal::wake, 30 * 60);
    updateAt(45 * 60);
    EXPECT_EQ(handed, (std::vector<std::vector<Trigger>>{{{ms(30 * 60), Kind::wake}}}));
}

TEST_F(TriggerRecorderTest, AFailedInsertHandsNothingOverAndLogsOneLine) {
    {
        test::RawDatabase raw(dir / "quev.sqlite");
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON triggers BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    test::LogCapture log(true);
    observe(Signal::wake, 10);
    updateAt(11);
    EXPECT_TRUE(handed.empty());
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[0].category, "triggers");
    EXPECT_EQ(entries[0].message.rfind("Couldn't record triggers: ", 0), 0u) << entries[0].message;
    EXPECT_NE(entries[0].message.find("refused"), std::string::npos) << entries[0].message;
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// The observer destroys its recorder before its writer drains: updates still queued then must not
// reach the destroyed recorder.
TEST(TriggerRecorderLifetimeTest, DestroyingTheRecorderWaitsForItsQueuedUpdates) {
    test::TempDir dir;
    Store store{dir / "quev.sqlite"};
    ObservationWriter writer{store};
    VirtualTime time;
    int handedOver = 0;
    auto recorder = std::make_unique<TriggerRecorder>(
        store, writer, time.clock(), [&handedOver](const std::vector<Trigger>&) { ++handedOver; });
    // Enough writes ahead that the updates are still queued when the recorder goes.
    for (int i = 0; i < 500; ++i) {
        writer.record(Signal::appActivate, EmptyPayload{}, time.clock().now() - 600 + i * 0.001);
    }
    writer.record(Signal::wake, EmptyPayload{}, time.clock().now() - 1);
    recorder->update();
    recorder->update();
    recorder.reset();
    EXPECT_EQ(handedOver, 1); // the first update handed the wake over before the recorder went
    writer.flush();
    EXPECT_EQ(handedOver, 1);
}

} // namespace
} // namespace ostrel
