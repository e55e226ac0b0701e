#include "core/episodes/Setting.hpp"

#include <limits>
#include <unordered_set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Setting, EqualBySameCaseAndValue) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        Setting a, b;
        bool equal;
    } cases[] = {
        {{Setting::Output{"BuiltInSpeakerDevice"}}, {Setting::Output{"BuiltInSpeakerDevice"}}, true},
        {{Setting::Output{"Caf\u00E9"}}, {Setting::Output{"Cafe\u0301"}}, true},
        {{Setting::Output{"a"}}, {Setting::Output{"A"}}, false},
        {{Setting::Volume{0.5}}, {Setting::Volume{0.5}}, true},
        {{Setting::Volume{0.0}}, {Setting::Volume{-0.0}}, true},
        {{Setting::Volume{0.5}}, {Setting::Volume{0.51}}, false},
        {{Setting::Volume{nan}}, {Setting::Volume{nan}}, false},
        {{Setting::Muted{true}}, {Setting::Muted{true}}, true},
        {{Setting::Muted{true}}, {Setting::Muted{false}}, false},
        {{Setting::Volume{1}}, {Setting::Muted{true}}, false},
        {{Setting::Volume{0}}, {Setting::Muted{false}}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
        if (c.equal) {
            EXPECT_EQ(c.a.hash(), c.b.hash());
        }
    }
    const std::unordered_set<Setting> set = {
        {Setting::Volume{0.0}}, {Setting::Volume{-0.0}}, {Setting::Muted{false}}};
    EXPECT_EQ(set.size(), 2u);
}

} // namespace
} // namespace ostrel
