#include "core/episodes/Item.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {

void PrintTo(const Item& item, std::ostream* out) {
    *out << item.id();
}

namespace {

Item make(Item::Value value) {
    auto item = Item::make(std::move(value));
    if (!item) {
        throw std::logic_error("test item refused");
    }
    return *item;
}

TEST(Item, EveryItemItsConstructorsMakeReadsBackFromItsIdAndJSON) {
    const struct {
        Item::Value value;
        std::string id;
    } cases[] = {
        {Item::App{"com.apple.Safari"}, "app:com.apple.Safari"},
        {Item::App{":x"}, "app::x"},
        {Item::Document{"/Users/me/Week 3: notes.pdf"}, "document:/Users/me/Week 3: notes.pdf"},
        {Item::Document{"::"}, "document:::"},
        {Item::Note{"com.apple.Notes", "Week 3: vectors"}, "note:com.apple.Notes:Week 3: vectors"},
        {Item::Note{"com.apple.Notes", ":leading"}, "note:com.apple.Notes::leading"},
        {Item::Page{"https://example.com:8443/a?b=c#d"}, "page:https://example.com:8443/a?b=c#d"},
        {Item::Page{"https://caf\u00E9.example/"}, "page:https://caf\u00E9.example/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const Item item = make(c.value);
        EXPECT_EQ(item.id(), c.id);
        EXPECT_EQ(Item::fromId(item.id()), item);
        EXPECT_EQ(json::encodeRecord(item), json::encode(json::Value(c.id)));
        EXPECT_EQ(json::decodeRecord<Item>(json::encodeRecord(item)), item);
        EXPECT_EQ(static_cast<std::size_t>(item.kind()), c.value.index());
    }
}

TEST(Item, ParsesIdsSplittingOnceAfterTheKind) {
    const struct {
        const char* id;
        std::optional<Item::Value> expected;
    } cases[] = {
        {"note:com.apple.Notes:Week 3: vectors", Item::Note{"com.apple.Notes", "Week 3: vectors"}},
        {"app::x", Item::App{":x"}},
        {":app:x", Item::App{"x"}},
        {"::page:https://x", Item::Page{"https://x"}},
        {"note::a:b", Item::Note{"a", "b"}},
        {"note:a::b", Item::Note{"a", ":b"}},
        {"app:", std::nullopt},
        {"app", std::nullopt},
        {"app::", Item::App{":"}},
        {"note:com.apple.Notes", std::nullopt},
        {"note:com.apple.Notes:", std::nullopt},
        {"note:", std::nullopt},
        {"App:com.apple.Notes", std::nullopt},
        {"file:/tmp/a", std::nullopt},
        {"", std::nullopt},
        {":", std::nullopt},
        {" app:x", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto parsed = Item::fromId(c.id);
        if (c.expected) {
            ASSERT_TRUE(parsed.has_value());
            EXPECT_EQ(*parsed, make(*c.expected));
        } else {
            EXPECT_FALSE(parsed.has_value());
        }
    }
}

TEST(Item, ConstructorsRefuseItemsWhoseIdWouldNotReadBack) {
    EXPECT_FALSE(Item::app(""));
    EXPECT_FALSE(Item::document(""));
    EXPECT_FALSE(Item::page(""));
    EXPECT_FALSE(Item::note("", "Week 3"));
    EXPECT_FALSE(Item::note("com.apple.Notes", ""));
    // "note:a:b:c" would read back as app a with title b:c.
    EXPECT_FALSE(Item::note("a:b", "c"));
    EXPECT_FALSE(Item::note(":a", "c"));
    EXPECT_FALSE(Item::make(Item::Note{"", ""}));
    EXPECT_TRUE(Item::note("a", "b:c"));
}

TEST(Item, DecodingFailsForMalformedIdsAndNonStrings) {
    for (const char* text : {R"("app:")", R"("note:com.apple.Notes:")", R"("app")", R"("file:/tmp/a")"}) {
        const std::string id = json::parse(text).get<std::string>();
        try {
            json::decodeRecord<Item>(text);
            ADD_FAILURE() << text << " decoded";
        } catch (const json::DecodingError& error) {
            EXPECT_EQ(std::string(error.what()), "Not an Item: " + id);
        }
    }
    for (const char* text : {"42", R"({"id":"app:x"})", "null", "true", R"(["app:x"])"}) {
        try {
            json::decodeRecord<Item>(text);
            ADD_FAILURE() << text << " decoded";
        } catch (const json::DecodingError& error) {
            EXPECT_EQ(std::string(error.what()).find("Not an Item"), std::string::npos) << error.what();
        }
    }
    // One bad id spoils the whole list, which is why nothing may write one.
    EXPECT_THROW(json::decodeValue<std::vector<Item>>(json::parse(R"(["app:a","app:"])")),
                 json::DecodingError);
}

TEST(Item, ListsEncodeAsArraysOfIdsWithPlainSlashes) {
    const std::vector<Item> items = {*Item::app("com.apple.Notes"), *Item::page("https://x.example/a/b")};
    const std::string text = json::encode(json::encodeValue(items));
    EXPECT_EQ(text, R"(["app:com.apple.Notes","page:https://x.example/a/b"])");
    EXPECT_EQ(json::decodeValue<std::vector<Item>>(json::parse(text)), items);
}

TEST(Item, EqualityHashingAndOrderTreatTextAsUnicode) {
    const Item composed = *Item::document("/tmp/caf\u00E9.txt");
    const Item decomposed = *Item::document("/tmp/cafe\u0301.txt");
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(std::hash<Item>{}(composed), std::hash<Item>{}(decomposed));
    EXPECT_EQ(composed <=> decomposed, std::weak_ordering::equivalent);

    EXPECT_NE(*Item::app("x"), *Item::page("x"));
    EXPECT_NE(*Item::note("a", "b"), *Item::note("a", "B"));
    EXPECT_NE(*Item::note("a", "bc"), *Item::note("ab", "c"));

    const std::unordered_set<Item> set = {composed, decomposed, *Item::app("x"), *Item::page("x")};
    EXPECT_EQ(set.size(), 3u);

    // Ascending id text: the kind prefix first, then Unicode order of the rest.
    std::vector<Item> items = {*Item::page("a"), *Item::note("n", "t"), *Item::app("z\u00E9"),
                               *Item::app("zf"), *Item::document("/a"), *Item::app("Z")};
    std::sort(items.begin(), items.end());
    std::vector<std::string> ids;
    for (const Item& item : items) {
        ids.push_back(item.id());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"app:Z", "app:zf", "app:z\u00E9", "document:/a", "note:n:t",
                                             "page:a"}));
}

} // namespace
} // namespace ostrel
