#include "core/episodes/Trigger.hpp"

#include "support/Printers.hpp"

#include <unordered_set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Kind = Trigger::Kind;

TEST(Trigger, KindsHaveTheirStoredNamesAndArrivalFlags) {
    const struct {
        Kind kind;
        const char* name;
        bool arrival;
    } cases[] = {
        {Kind::wake, "wake", true},
        {Kind::unlock, "unlock", true},
        {Kind::login, "login", true},
        {Kind::eventStart, "event_start", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toString(c.kind), c.name);
        EXPECT_EQ(fromString<Kind>(c.name), c.kind);
        EXPECT_EQ(isArrival(c.kind), c.arrival) << c.name;
    }
    for (const char* other : {"Wake", "eventStart", "event-start", "", "sleep"}) {
        EXPECT_EQ(fromString<Kind>(other), std::nullopt) << other;
    }
}

TEST(Trigger, EqualityAndHashingUseTimeAndKind) {
    const std::unordered_set<Trigger> set{
        {1000, Kind::wake}, {1000, Kind::wake}, {1000, Kind::unlock}, {1001, Kind::wake}};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_EQ(set.count({1000, Kind::unlock}), 1u);
    EXPECT_EQ(set.count({1000, Kind::login}), 0u);
}

} // namespace
} // namespace ostrel
