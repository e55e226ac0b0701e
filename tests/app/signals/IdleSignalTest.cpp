// The idle source over the simulated machine: each check, the idle time it reads and the rows.

#include "app/signals/IdleSignal.hpp"

#include "support/ObserverWorld.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;

// A fresh world with the idle source started in it.
class IdleScene {
public:
    IdleScene() {
        world.startWriterOnly();
        start = world.runtime.clock().now();
        source = std::make_unique<IdleSignal>(world.machine.activity(), world.writer(),
                                              world.runtime.clock(), world.runtime.main());
        source->start();
    }
    ~IdleScene() { source.reset(); }

    // Sets what the machine reports, then lets time run to the next check.
    void checkWith(std::optional<double> idleSeconds, bool keptAwake = false) {
        world.machine.setIdle(idleSeconds);
        world.machine.setDisplayKeptAwake(keptAwake);
        world.time.advance(IdleSignal::checkInterval);
    }

    // "signal @seconds", dated in seconds after the source started.
    std::vector<std::string> rows() {
        world.settle();
        std::vector<std::string> lines;
        for (const auto& row : world.store.observations(
                 std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                 std::set<Signal>{Signal::userIdle, Signal::userActive})) {
            const double at = static_cast<double>(row.ts) / 1000.0 - start;
            lines.push_back(row.signal.rawValue + " @" + std::to_string(std::llround(at)));
        }
        return lines;
    }

    ObserverWorld world;
    Date start = 0;
    std::unique_ptr<IdleSignal> source;
};

using Rows = std::vector<std::string>;

TEST(IdleSignalTest, TheFirstCheckComesAMinuteAfterTheStart) {
    IdleScene scene;
    scene.world.machine.setIdle(1000);
    scene.world.time.advance(59.9);
    EXPECT_EQ(scene.rows(), Rows{});
    EXPECT_EQ(scene.world.machine.calls("idleSeconds"), 0);
    scene.world.time.advance(0.1);
    EXPECT_EQ(scene.rows(), Rows{"user.idle @-940"})
        << "dated at the last input: 1000 s before the check at 60";
    scene.world.time.advance(600);
    EXPECT_EQ(scene.world.machine.calls("idleSeconds"), 11) << "one check a minute";
}

TEST(IdleSignalTest, ChecksWriteAlternatingRows) {
    struct Check {
        std::optional<double> idle;
        bool keptAwake = false;
    };
    struct Case {
        const char* what;
        std::vector<Check> checks; // one a minute, the first at 60 s
        Rows expected;
    };
    const Case cases[] = {
        {"299 s is not yet away", {{299}, {299.9}}, {}},
        {"300 s is away, dated at the last input", {{299}, {300}}, {"user.idle @-180"}},
        {"still away writes nothing more", {{400}, {460}, {520}}, {"user.idle @-340"}},
        {"back at the next check", {{400}, {3}, {10}}, {"user.idle @-340", "user.active @120"}},
        {"an unreadable idle time reads as here",
         {{400}, {std::nullopt}},
         {"user.idle @-340", "user.active @120"}},
        {"a video keeps the display awake: no absence", {{900, true}, {960, true}}, {}},
        {"a video starting after the absence began: back",
         {{400}, {460, true}, {520, true}},
         {"user.idle @-340", "user.active @120"}},
        {"the video ends while the user is still away", {{400, true}, {460}}, {"user.idle @-340"}},
        {"away again after coming back",
         {{400}, {3}, {10}, {10}, {10}, {10}, {300}},
         {"user.idle @-340", "user.active @120", "user.idle @120"}},
        {"never dated before the last row: dated now instead",
         {{400}, {3}, {500}},
         {"user.idle @-340", "user.active @120", "user.idle @180"}},
    };
    for (const Case& each : cases) {
        IdleScene scene;
        for (const Check& check : each.checks) {
            scene.checkWith(check.idle, check.keptAwake);
        }
        EXPECT_EQ(scene.rows(), each.expected) << each.what;
    }
}

TEST(IdleSignalTest, NoCheckAfterTheSourceIsGone) {
    IdleScene scene;
    scene.source.reset();
    scene.checkWith(1000);
    EXPECT_EQ(scene.rows(), Rows{});
    EXPECT_EQ(scene.world.machine.calls("idleSeconds"), 0);
}

} // namespace
} // namespace ostrel
