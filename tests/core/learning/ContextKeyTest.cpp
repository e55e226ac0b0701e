#include "core/learning/ContextKey.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {

void PrintTo(const ContextKey& key, std::ostream* out) {
    *out << key.id();
}

namespace {

TEST(ContextKey, ParsesIds) {
    const struct {
        const char* id;
        std::optional<ContextKey> expected;
    } cases[] = {
        {"event:a:b", ContextKey::event("a:b")},
        {"event::b", ContextKey::event(":b")},
        {":event:b", ContextKey::event("b")},
        {"title:math - quiz", ContextKey::title("math - quiz")},
        {"made:4F1C-9A", ContextKey::made("4F1C-9A")},
        {"slot:2:19:unknown", ContextKey::slot(2, 19, "unknown")},
        {"slot:2:19:wifi:0123456789abcdef", ContextKey::slot(2, 19, "wifi:0123456789abcdef")},
        {"slot:7:47:place:-33.8688,151.2093", ContextKey::slot(7, 47, "place:-33.8688,151.2093")},
        {"slot:+2:19:unknown", ContextKey::slot(2, 19, "unknown")},
        {"slot:-1:99:x", ContextKey::slot(-1, 99, "x")}, // no range check
        {"slot:2::19:x", ContextKey::slot(2, 19, "x")},  // empty parts are dropped
        {"slot:2:19::x", ContextKey::slot(2, 19, ":x")}, // the place is kept whole
        {"slot:-9223372036854775808:0:x", ContextKey::slot(INT64_MIN, 0, "x")},
        {"slot:9223372036854775807:0:x", ContextKey::slot(INT64_MAX, 0, "x")},
        {"event:", std::nullopt},
        {"made:", std::nullopt},
        {"title:", std::nullopt},
        {"event", std::nullopt},
        {"Event:x", std::nullopt},
        {"route:x", std::nullopt},
        {"slot:2:19", std::nullopt},
        {"slot:2:19:", std::nullopt},
        {"slot:two:19:unknown", std::nullopt},
        {"slot: 2:19:unknown", std::nullopt},
        {"slot:2 :19:unknown", std::nullopt},
        {"slot:++2:19:unknown", std::nullopt},
        {"slot:+-2:19:unknown", std::nullopt},
        {"slot:-:19:unknown", std::nullopt},
        {"slot:2.0:19:unknown", std::nullopt},
        {"slot:\xD9\xA2:19:unknown", std::nullopt}, // Arabic-Indic two is no ASCII digit
        {"slot:9223372036854775808:0:x", std::nullopt},
        {"slot:-9223372036854775809:0:x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto parsed = ContextKey::fromId(c.id);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (parsed) {
            EXPECT_EQ(*parsed, *c.expected);
        }
    }
}

TEST(ContextKey, KeysWithNonEmptyPayloadsSurviveTheirIds) {
    const ContextKey keys[] = {
        ContextKey::event("7h2k@google.com"),
        ContextKey::event(":odd:series"),
        ContextKey::title("cs : intro"),
        ContextKey::slot(2, 19, "unknown"),
        ContextKey::slot(-3, 0, "wifi:0123456789abcdef"),
        ContextKey::slot(INT64_MIN, INT64_MAX, "place:48.8566,2.3522"),
        ContextKey::made("3F2504E0-4F89-11D3-9A0C-0305E82C3301"),
    };
    for (const ContextKey& key : keys) {
        EXPECT_EQ(ContextKey::fromId(key.id()), key) << key.id();
    }
    EXPECT_EQ(ContextKey::slot(2, 19, "unknown").id(), "slot:2:19:unknown");
    EXPECT_EQ(ContextKey::slot(-3, 0, "x").id(), "slot:-3:0:x");
    // Empty payloads write ids that do not parse.
    for (const ContextKey& key :
         {ContextKey::event(""), ContextKey::title(""), ContextKey::made(""), ContextKey::slot(2, 19, "")}) {
        EXPECT_FALSE(ContextKey::fromId(key.id())) << key.id();
    }
}

TEST(ContextKey, KindsOfKeys) {
    EXPECT_TRUE(ContextKey::event("e").isCalendar());
    EXPECT_TRUE(ContextKey::event("e").isEvent());
    EXPECT_TRUE(ContextKey::title("t").isCalendar());
    EXPECT_FALSE(ContextKey::title("t").isEvent());
    EXPECT_FALSE(ContextKey::slot(1, 1, "unknown").isCalendar());
    EXPECT_FALSE(ContextKey::made("m").isCalendar());
}

TEST(ContextKey, NormalisesTitles) {
    const struct {
        std::string title, normalised;
    } cases[] = {
        {"Linear Algebra 2 Review", "linear algebra review"},
        {"Math 12/3 - Quiz", "math - quiz"},
        {"CS 101: Intro", "cs : intro"},
        {"Lecture 10:15", "lecture"},
        {"Exam 2024-09-01 room 3.14", "exam room"},
        {"Week 3. Vectors", "week . vectors"}, // a separator only goes with digits after it
        {"v2.0beta", "vbeta"},
        {"  Organic\tChemistry \n Lab  ", "organic chemistry lab"},
        {"Chemistry\u00A0\u2003Lab", "chemistry lab"}, // no-break and em spaces are whitespace
        {"\u00C9CONOMIE 1", "\u00E9conomie"},
        {"ΟΔΟΣ 5", "οδος"},                 // final sigma, full mapping
        {"Physik \u0662", "physik \u0662"}, // only ASCII digits are numbers
        {"2024", ""},
        {"12/3", ""},
        {" 1 - 2 ", "-"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContextKey::normalise(c.title), c.normalised) << c.title;
    }
}

TEST(ContextKey, EqualityHashingAndOrderTreatTextAsUnicode) {
    const ContextKey composed = ContextKey::title("caf\u00E9");
    const ContextKey decomposed = ContextKey::title("cafe\u0301");
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(composed.hash(), decomposed.hash());
    EXPECT_EQ(composed <=> decomposed, std::weak_ordering::equivalent);
    EXPECT_NE(ContextKey::event("x"), ContextKey::title("x"));
    EXPECT_NE(ContextKey::event("x"), ContextKey::made("x"));
    EXPECT_NE(ContextKey::slot(2, 19, "unknown"), ContextKey::slot(2, 18, "unknown"));
    EXPECT_NE(ContextKey::slot(2, 19, "unknown"), ContextKey::slot(3, 19, "unknown"));
    EXPECT_NE(ContextKey::slot(2, 19, "unknown"), ContextKey::slot(2, 19, "wifi:ab"));

    const std::unordered_set<ContextKey> set = {composed, decomposed, ContextKey::event("caf\u00E9")};
    EXPECT_EQ(set.size(), 2u);

    std::vector<ContextKey> keys = {ContextKey::slot(2, 19, "unknown"), ContextKey::slot(10, 0, "unknown"),
                                    ContextKey::made("a"), ContextKey::event("b"), ContextKey::title("a")};
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> ids;
    for (const ContextKey& key : keys) {
        ids.push_back(key.id());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"event:b", "made:a", "slot:10:0:unknown", "slot:2:19:unknown",
                                             "title:a"}));
}

} // namespace
} // namespace ostrel
