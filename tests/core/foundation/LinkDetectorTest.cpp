#include "core/foundation/LinkDetector.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Links = std::vector<std::string>;

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

} // namespace
} // namespace ostrel
