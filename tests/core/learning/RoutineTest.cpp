#include "core/learning/Routine.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(TrustLevel, StoredTexts) {
    for (const TrustLevel trust : {TrustLevel::observe, TrustLevel::suggest, TrustLevel::automate}) {
        EXPECT_EQ(fromString<TrustLevel>(toString(trust)), trust);
    }
    EXPECT_EQ(toString(TrustLevel::automate), "automate");
    EXPECT_EQ(fromString<TrustLevel>("Suggest"), std::nullopt);
    EXPECT_EQ(fromString<TrustLevel>(""), std::nullopt);
}

TEST(Jaccard, IntersectionOverUnion) {
    using Set = std::unordered_set<int>;
    EXPECT_EQ(jaccard(Set{}, Set{}), 1.0);
    EXPECT_EQ(jaccard(Set{1}, Set{}), 0.0);
    EXPECT_EQ(jaccard(Set{1, 2, 3}, Set{2, 3, 4}), 0.5);
    EXPECT_EQ(jaccard(Set{1, 2, 3, 4, 5}, Set{1, 2, 3}), 0.6);
    EXPECT_EQ(jaccard(Set{1, 2}, Set{1, 2}), 1.0);
}

TEST(Routine, OneOffAndMadeFollowTheKey) {
    const struct {
        ContextKey key;
        int support;
        bool oneOff;
        bool made;
    } cases[] = {
        {ContextKey::title("quiz"), 1, true, false},           {ContextKey::title("quiz"), 2, false, false},
        {ContextKey::event("maths"), 0, false, false},         {ContextKey::made("abc"), 0, false, true},
        {ContextKey::slot(2, 19, "unknown"), 1, false, false},
    };
    for (const auto& c : cases) {
        const Routine routine{c.key, {}, c.support};
        EXPECT_EQ(routine.isOneOff(), c.oneOff) << c.key.id();
        EXPECT_EQ(routine.isMade(), c.made) << c.key.id();
    }
}

} // namespace
} // namespace ostrel
