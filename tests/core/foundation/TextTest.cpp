#include "core/foundation/Text.hpp"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Text, CanonicallyEquivalentTextsAreEqualAndHashAlike) {
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"café", "cafe\u0301", true},             // precomposed and combining accent
        {"\u00C5", "\u212B", true},               // Å and the Ångström sign
        {"\u212A", "K", true},                    // the Kelvin sign is K: a non-ASCII text equal to ASCII
        {"\u037E", ";", true},                    // the Greek question mark is a semicolon
        {"e\u0301\u0323", "e\u0323\u0301", true}, // combining marks in either canonical order
        {"\u1EC7", "e\u0323\u0302", true},        // ệ
        {"\uFB01", "fi", false},                  // a ligature is only compatibility-equivalent
        {"a", "A", false},
        {"cafe", "café", false},
        {"", "", true},
        {"", "\u0301", false},
        {"\xFF", "\xFE", true}, // ill-formed bytes read as U+FFFD alike
        {"x\xFF", "x\uFFFD", true},
        {std::string("a\0b", 3), std::string("a\0c", 3), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(text::equal(c.a, c.b), c.equal);
        EXPECT_EQ(text::equal(c.b, c.a), c.equal);
        EXPECT_EQ(text::compare(c.a, c.b) == 0, c.equal);
        if (c.equal) {
            EXPECT_EQ(text::hash(c.a), text::hash(c.b));
        }
    }
}

TEST(Text, OrdersByScalarsOfTheComposedForm) {
    // Each list is in ascending order.
    const std::vector<std::vector<std::string>> chains = {
        {"", "A", "B", "Z", "a", "ab", "abc", "b"},   // ASCII: byte order, upper case first
        {"e", "ez", "f", "z", "\u00E9"},              // é composes to U+00E9, after every ASCII letter
        {"e", "ez", "f", "z", "e\u0301"},             // ... also when written decomposed
        {"\u00FF", "\u0100", "\uFFFD", "\U0001F600"}, // scalar order, not UTF-16 unit order
        {"a\u00E9", "a\u00E9b", "a\u00EA"},
    };
    for (const auto& chain : chains) {
        for (std::size_t i = 0; i < chain.size(); ++i) {
            for (std::size_t j = 0; j < chain.size(); ++j) {
                SCOPED_TRACE(chain[i] + " vs " + chain[j]);
                EXPECT_EQ(text::compare(chain[i], chain[j]), i <=> j);
                EXPECT_EQ(text::Less{}(chain[i], chain[j]), i < j);
            }
        }
    }
}

TEST(Text, ContainersKeyedByTextFindEquivalentKeys) {
    std::unordered_map<std::string, int, text::Hash, text::Equal> counts;
    counts["cafe\u0301"] = 1;
    ++counts["café"];
    EXPECT_EQ(counts.size(), 1u);
    const auto found = counts.find(std::string_view("caf\u00E9"));
    ASSERT_NE(found, counts.end());
    EXPECT_EQ(found->first, "cafe\u0301"); // stored text keeps the form it came in
    EXPECT_EQ(found->second, 2);

    std::vector<std::string> sorted = {"\u00E9", "f", "e\u0301", "E"};
    std::stable_sort(sorted.begin(), sorted.end(), text::Less{});
    EXPECT_EQ(sorted, (std::vector<std::string>{"E", "f", "\u00E9", "e\u0301"}));
}

TEST(Text, ComposedFormIsNFC) {
    EXPECT_EQ(text::composed("cafe\u0301"), "caf\u00E9");
    EXPECT_EQ(text::composed("\u212B"), "\u00C5");
    EXPECT_EQ(text::composed("plain"), "plain");
    EXPECT_EQ(text::composed("x\xFF"), "x\uFFFD");
}

TEST(Text, LowerCasesWithFullMappingInEveryLocale) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"Linear ALGEBRA 2", "linear algebra 2"},
        {"ÀÉÎ Ø", "àéî ø"},
        {"\u0130stanbul", "i\u0307stanbul"}, // İ maps to i and a combining dot, not Turkish i
        {"ΟΔΟΣ ΣΑΣ", "οδος σας"},            // final sigma at the end of each word
        {"\u1E9E", "\u00DF"},                // capital sharp s
        {"日本語", "日本語"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::lowercased(c.in), c.out) << c.in;
    }
}

TEST(Text, AsciiCheckSeesEveryByte) {
    std::string text(37, 'a');
    EXPECT_TRUE(text::isAscii(text));
    for (std::size_t at : {0u, 7u, 8u, 15u, 31u, 36u}) {
        std::string marked = text;
        marked[at] = '\xC3';
        EXPECT_FALSE(text::isAscii(marked)) << at;
    }
}

TEST(TextTrimmed, RemovesUnicodeWhiteSpaceAtBothEnds) {
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"  Room 1\n", "Room 1"},
        {"\t\r\n", ""},
        {"", ""},
        {"\xC2\xA0"
         "Hall 3\xE2\x80\xA8",
         "Hall 3"},       // no-break space, line separator
        {"a  b", "a  b"}, // inner space stays
        {"\xE3\x80\x80"
         "講堂"
         "\xE3\x80\x80",
         "講堂"}, // ideographic space
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::trimmed(c.input), c.expected) << c.input;
    }
}

} // namespace
} // namespace ostrel
