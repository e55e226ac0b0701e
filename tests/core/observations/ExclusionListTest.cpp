#include "core/observations/ExclusionList.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(ExclusionList, MatchesGivenIdentifiersExactly) {
    const ExclusionList& list = ExclusionList::defaultList();
    EXPECT_EQ(list.bundleIDs.size(), 11u);
    const struct {
        std::optional<std::string> bundleID;
        bool contained;
    } cases[] = {
        {"com.apple.mail", true},
        {"com.apple.Mail", false}, // case matters
        {"com.apple.mail ", false},
        {"com.apple", false},
        {"com.apple.MobileSMS", true},
        {"org.keepassxc.keepassxc", true},
        {"com.1password.1password", true},
        {"com.apple.Notes", false},
        {"", false},
        {std::nullopt, false}, // no identifier is never excluded
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.contains(c.bundleID), c.contained) << c.bundleID.value_or("(none)");
    }
    EXPECT_TRUE((ExclusionList{{"org.example.secret"}}).contains("org.example.secret"));
    EXPECT_FALSE(ExclusionList{}.contains("com.apple.mail"));
}

} // namespace
} // namespace ostrel
