#include "core/foundation/LinkDetector.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

using Links = std::vector<std::string>;

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// Words and spaces, exactly length bytes, ending in a space.
std::string filler(std::size_t length) {
    std::string text;
    while (text.size() + 6 <= length) {
        text += "lorem ";
    }
    text.append(length - text.size(), ' ');
    return text;
}

TEST(LinkDetector, FindsLinksInTextOrder) {
    const struct {
        const char* text;
        Links expected;
    } cases[] = {
        {"Join at https://zoom.us/j/123?pwd=x. Slides: www.example.edu/slides",
         {"https://zoom.us/j/123?pwd=x", "http://www.example.edu/slides"}},
        {"(see https://a.example/wiki/Foo_(bar)) and https://b.example/x),",
         {"https://a.example/wiki/Foo_(bar)", "https://b.example/x"}},
        {"mail me: prof@uni.example, or ftp://files.example/a",
         {"mailto:prof@uni.example", "ftp://files.example/a"}},
        {"<https://c.example/path>\n\"https://d.example\"", {"https://c.example/path", "https://d.example"}},
        {"no links here, just text.", {}},
        {"", {}},
        {"https://", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LinkDetector::links(c.text), c.expected) << c.text;
    }
}

// Runs of word boundaries ("a.a.a...") are where a search that restarts at every boundary loses its
// way; what follows them must still be found, and a run glued to a link is read as it always was.
TEST(LinkDetector, FindsLinksAfterLongRunsOfWordBoundaries) {
    const std::string dots = repeated("a.", 20'000);
    const std::string dashes = repeated("a-", 20'000);
    const struct {
        const char* name;
        std::string text;
        Links expected;
    } cases[] = {
        {"url after dots", dots + " https://x.example/p.", {"https://x.example/p"}},
        {"url after dashes", dashes + "\nhttps://x.example/p", {"https://x.example/p"}},
        {"mail after dashes", dashes + " prof@uni.example", {"mailto:prof@uni.example"}},
        {"mail glued to dots", dots + "prof@uni.example", {"mailto:" + dots + "prof@uni.example"}},
        {"www host glued to dashes", dashes + "www.x.example/a", {"http://www.x.example/a"}},
        {"scheme glued to dots", dots + "https://x.example", {dots + "https://x.example"}},
        {"dots then an unfinished scheme, then a url", dots + "x:/ https://x.example", {"https://x.example"}},
        {"dots and an at sign without a domain, then mail",
         dots + "@" + dots + " prof@uni.example",
         {"mailto:prof@uni.example"}},
        {"closing brackets after a url", "https://x.example/" + repeated(")", 20'000), {"https://x.example/"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LinkDetector::links(c.text), c.expected) << c.name;
    }
}

// Only the first scanLimit bytes are searched, cut between words so that no link comes back cut short.
TEST(LinkDetector, SearchesOnlyUpToTheLimit) {
    constexpr std::size_t limit = LinkDetector::scanLimit;
    const std::string first = "https://first.example/a";
    const std::string last = "https://last.example/b";
    const std::string across = "https://across.example/caf\u00E9"; // é is two bytes in UTF-8
    const struct {
        const char* name;
        std::string text;
        Links expected;
    } cases[] = {
        {"link ending at the limit", first + " " + filler(limit - first.size() - last.size() - 1) + last + " tail",
         {first, last}},
        {"link after the limit", first + " " + filler(limit) + last, {first}},
        {"link across the limit", first + " " + filler(limit - first.size() - 1 - 10) + "https://across.example/x",
         {first}},
        {"limit inside the last character of a link",
         first + " " + filler(limit - first.size() - 1 - (across.size() - 1)) + across + " x",
         {first}},
        {"limit inside a character after a link",
         first + " " + filler(limit - first.size() - 1 - last.size() - 2) + last + " \u00E9\u00E9 x",
         {first, last}},
        {"no space before the limit", "https://x.example/" + std::string(limit, 'a'), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LinkDetector::links(c.text), c.expected) << c.name;
    }
}

} // namespace
} // namespace ostrel
