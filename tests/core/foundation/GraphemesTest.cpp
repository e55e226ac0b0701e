#include "core/foundation/Graphemes.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Graphemes, ClustersAreUserPerceivedCharacters) {
    const struct {
        std::string text;
        std::vector<std::string_view> expected;
    } cases[] = {
        {"", {}},
        {"ab1", {"a", "b", "1"}},
        {"e\u0301x", {"e\u0301", "x"}}, // combining accent joins its base
        {"\r\n", {"\r\n"}},             // one character
        {"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7",
         {"\U0001F1E9\U0001F1EA", "\U0001F1EB\U0001F1F7"}}, // two flags
        {"\U0001F468\u200D\U0001F469\u200D\U0001F467!", {"\U0001F468\u200D\U0001F469\u200D\U0001F467", "!"}},
        {"한국", {"한", "국"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(graphemeClusters(c.text), c.expected) << c.text;
    }
}

TEST(Graphemes, IllFormedBytesDoNotBreakTheCount) {
    const std::string text = "a\xFF"
                             "b";
    const auto clusters = graphemeClusters(text);
    ASSERT_EQ(clusters.size(), 3u);
    EXPECT_EQ(clusters[0], "a");
    EXPECT_EQ(clusters[2], "b");
}

TEST(Graphemes, NumericCharactersHaveANumericType) {
    const struct {
        const char* character;
        bool numeric;
    } cases[] = {
        {"7", true},
        {"\u0663", true},        // Arabic-Indic three
        {"\u00BD", true},        // one half
        {"\u216B", true},        // Roman numeral twelve
        {"\u00B2", true},        // superscript two
        {"\u2460", true},        // circled one
        {"\u4E09", true},        // CJK three
        {"7\uFE0F\u20E3", true}, // keycap seven: its first scalar is a digit
        {"a", false},
        {"-", false},
        {"", false},
        {"\u00E9", false},
        {"\U0001F600", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isNumericCharacter(c.character), c.numeric) << c.character;
    }
}

} // namespace
} // namespace ostrel
