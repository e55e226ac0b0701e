#include "core/foundation/Url.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Part = std::optional<std::string_view>;

TEST(Url, ComponentsAreViewsOfTheTextAsWritten) {
    const struct {
        const char* text;
        Part scheme, userInfo, host, port;
        std::string_view path;
        Part query, fragment;
    } cases[] = {
        {"HTTPS://u:p@Example.COM:8080/a/b%20c?q=1&r#frag", "HTTPS", "u:p", "Example.COM", "8080", "/a/b%20c",
         "q=1&r", "frag"},
        {"http://[::1]:80/x", "http", {}, "[::1]", "80", "/x", {}, {}},
        {"http://[v1.x]/", "http", {}, "[v1.x]", {}, "/", {}, {}},
        {"http://h:/x", "http", {}, "h", "", "/x", {}, {}},
        {"http://@h", "http", "", "h", {}, "", {}, {}},
        {"https://", "https", {}, "", {}, "", {}, {}},
        {"file:///Users/a%20b", "file", {}, "", {}, "/Users/a%20b", {}, {}},
        {"file:/x", "file", {}, {}, {}, "/x", {}, {}},
        {"mailto:a@b.c", "mailto", {}, {}, {}, "a@b.c", {}, {}},
        {"a:b:c", "a", {}, {}, {}, "b:c", {}, {}},
        {"//h/x", {}, {}, "h", {}, "/x", {}, {}},
        {"a/b?c", {}, {}, {}, {}, "a/b", "c", {}},
        {"http://h?#", "http", {}, "h", {}, "", "", ""},
        // "?" and "/" may appear in a query and a fragment; "#" ends the query.
        {"http://h/p?q/?x#f?/", "http", {}, "h", {}, "/p", "q/?x", "f?/"},
        {"http://h/p#f?x", "http", {}, "h", {}, "/p", {}, "f?x"},
        {"", {}, {}, {}, {}, "", {}, {}},
    };
    for (const auto& c : cases) {
        const auto url = Url::parse(c.text);
        ASSERT_TRUE(url) << c.text;
        EXPECT_EQ(url->text(), c.text);
        EXPECT_EQ(url->scheme(), c.scheme) << c.text;
        EXPECT_EQ(url->userInfo(), c.userInfo) << c.text;
        EXPECT_EQ(url->host(), c.host) << c.text;
        EXPECT_EQ(url->hasAuthority(), c.host.has_value()) << c.text;
        EXPECT_EQ(url->port(), c.port) << c.text;
        EXPECT_EQ(url->path(), c.path) << c.text;
        EXPECT_EQ(url->query(), c.query) << c.text;
        EXPECT_EQ(url->fragment(), c.fragment) << c.text;
    }
}

TEST(Url, RefusesWhatRfc3986Refuses) {
    for (const std::string_view text : std::initializer_list<std::string_view>{
             "a b", "http://h/a b", "http://é.com/", "http://h/%", "http://h/a%2", "http://h/%zz",
             "http://[::1/", "http://h:8x/", ":x", "1a:b", "http://h/\"x",
             std::string_view("http://h/a\0b", 12)}) {
        EXPECT_FALSE(Url::parse(text)) << text;
    }
}

TEST(Url, TextWithoutCutsOnlyTheNamedComponents) {
    using Omit = Url::Omit;
    const struct {
        const char* text;
        Omit omit;
        const char* expected;
    } cases[] = {
        {"https://u:p@H.com:81/a%20b?q#f",
         {.userInfo = true, .query = true, .fragment = true},
         "https://H.com:81/a%20b"},
        {"https://u:p@H.com:81/a?q#f", {.userInfo = true}, "https://H.com:81/a?q#f"},
        {"https://u:p@H.com:81/a?q#f", {.query = true}, "https://u:p@H.com:81/a#f"},
        {"https://u:p@H.com:81/a?q#f", {.fragment = true}, "https://u:p@H.com:81/a?q"},
        {"https://@h/", {.userInfo = true}, "https://h/"},
        {"https://h?#", {.query = true, .fragment = true}, "https://h"},
        {"https://h/x", {.userInfo = true, .query = true, .fragment = true}, "https://h/x"},
        {"mailto:a@b?subject=x", {.userInfo = true, .query = true}, "mailto:a@b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Url::parse(c.text)->textWithout(c.omit), c.expected) << c.text;
    }
}

TEST(Url, ReplacingPathKeepsEverythingElseOrGivesNothing) {
    const struct {
        const char* text;
        const char* path;
        std::optional<std::string> expected;
    } cases[] = {
        {"https://h:81/a/b?q#f", "/c/", "https://h:81/c/?q#f"},
        {"https://h", "/", "https://h/"},
        {"https://h/a", "", "https://h"},
        {"mailto:a@b", "c@d", "mailto:c@d"},
        {"https://h/a", "x", std::nullopt},    // would run into the host
        {"https://h/a", "/a b", std::nullopt}, // not a valid path
        {"mailto:a", "//x", std::nullopt},     // would become an authority
        {"https://h/a", "/a?b", std::nullopt}, // would become a query
    };
    for (const auto& c : cases) {
        const auto replaced = Url::parse(c.text)->replacingPath(c.path);
        EXPECT_EQ(replaced ? std::optional(replaced->text()) : std::nullopt, c.expected)
            << c.text << " " << c.path;
    }
}

TEST(Url, PercentDecodeDecodesOnlyWholeEscapes) {
    const struct {
        std::string_view text;
        std::string expected;
    } cases[] = {
        {"a%20b", "a b"},   {"%2f%2F", "//"}, {"%E2%82%AC", "€"}, {"%", "%"},       {"%4", "%4"},
        {"%zz%41", "%zzA"}, {"%FF", "\xFF"},  {"%00", {"\0", 1}}, {"100%", "100%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(percentDecode(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace ostrel
