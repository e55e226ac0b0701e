#include "core/routines/RoutineBook.hpp"

#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::app;
using test::ids;
using test::keyIds;

const std::vector<Routine>& learned() {
    static const std::vector<Routine> routines = {
        {ContextKey::event("maths"), {app("a"), app("b"), app("c")}, 5, 0.75, TrustLevel::suggest},
        {ContextKey::slot(2, 19, "unknown"), {app("x")}, 3, 0.4, TrustLevel::observe},
        {ContextKey::title("quiz"), {}, 2, 0.5, TrustLevel::observe},
    };
    return routines;
}

RoutineEdits adding(std::vector<Item> added, std::optional<std::int64_t> created = std::nullopt) {
    RoutineEdits edits;
    edits.added = std::move(added);
    edits.created = created;
    return edits;
}

TEST(RoutineBook, WithoutEditsTheLearnedListIsUnchanged) {
    EXPECT_EQ(RoutineBook::apply({}, learned()), learned());
}

TEST(RoutineBook, RecordsChangeItemsAndEditsOnly) {
    const struct {
        const char* name;
        std::vector<Item> learnedItems;
        std::vector<Item> removed;
        std::vector<Item> added;
        std::vector<std::string> items;
    } cases[] = {
        {"removed then added, an added item already kept is not repeated",
         {app("a"), app("b"), app("c")},
         {app("b")},
         {app("d"), app("a")},
         {"app:a", "app:c", "app:d"}},
        {"removed and added again goes to the added place",
         {app("a"), app("b"), app("c")},
         {app("a")},
         {app("a")},
         {"app:b", "app:c", "app:a"}},
        {"repeats among added items are dropped", {}, {}, {app("d"), app("e"), app("d")}, {"app:d", "app:e"}},
        {"repeats among learned items stay", {app("a"), app("a")}, {}, {app("a")}, {"app:a", "app:a"}},
        {"removing what was never there changes nothing", {app("a")}, {app("z")}, {}, {"app:a"}},
    };
    for (const auto& c : cases) {
        std::vector<Routine> routines = learned();
        routines[0].items = c.learnedItems;
        RoutineEdits record;
        record.removed = c.removed;
        record.added = c.added;
        record.mute = true;
        const auto result = RoutineBook::apply({{"event:maths", record}}, routines);
        ASSERT_EQ(result.size(), 3u) << c.name;
        EXPECT_EQ(ids(result[0].items), c.items) << c.name;
        EXPECT_EQ(result[0].edits, record) << c.name;
        EXPECT_EQ(result[0].key, routines[0].key) << c.name;
        EXPECT_EQ(result[0].support, 5) << c.name;
        EXPECT_EQ(result[0].confidence, 0.75) << c.name;
        EXPECT_EQ(result[0].trust, TrustLevel::suggest) << c.name;
        EXPECT_EQ(result[1], routines[1]) << c.name;
        EXPECT_EQ(result[2], routines[2]) << c.name;
    }
}

TEST(RoutineBook, AModeAloneKeepsTheLearnedItems) {
    RoutineEdits record;
    record.mode = RoutineEdits::Mode::off;
    const auto result = RoutineBook::apply({{"slot:2:19:unknown", record}}, learned());
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(ids(result[1].items), std::vector<std::string>{"app:x"});
    EXPECT_EQ(result[1].edits.mode, RoutineEdits::Mode::off);
}

TEST(RoutineBook, ADeletedRecordHidesItsRoutineAndMakesNone) {
    RoutineEdits deleted = adding({app("d")});
    deleted.deleted = true;
    deleted.cues = {Cue{Cue::App{"com.example"}}};
    // One for a learned key, one for a key the learner does not give.
    const auto result = RoutineBook::apply(
        {{"event:maths", deleted}, {"made:gone", deleted}, {"event:old", deleted}}, learned());
    EXPECT_EQ(keyIds(result), (std::vector<std::string>{"slot:2:19:unknown", "title:quiz"}));
}

TEST(RoutineBook, RecordsOfOtherKeysBecomeRoutinesWhenTheyAddOrCue) {
    RoutineEdits cued;
    cued.cues = {Cue{Cue::Time{{2}, 540}}};
    cued.created = 50;
    RoutineEdits named;
    named.name = "Only a name";
    named.layout = {{"com.example", RoutineEdits::Placement::left()}};
    const RoutineBook::EditsByKey edits = {
        {"made:b", adding({app("p"), app("q"), app("p")}, 200)},
        {"made:a", adding({app("r")}, 200)},
        {"made:c", adding({app("s")})}, // no created time counts as 0
        {"event:old-class", cued},
        {"made:named", named},                // neither adds nor cues: stays stored, makes no routine
        {"not a key", adding({app("t")})},    // does not parse: skipped
        {"slot:2:19", adding({app("u")}, 1)}, // does not parse either
    };
    const auto result = RoutineBook::apply(edits, learned());
    EXPECT_EQ(keyIds(result), (std::vector<std::string>{"event:maths", "slot:2:19:unknown", "title:quiz",
                                                        "made:c", "event:old-class", "made:a", "made:b"}));
    const Routine& own = result.back();
    EXPECT_EQ(ids(own.items), (std::vector<std::string>{"app:p", "app:q"}));
    EXPECT_EQ(own.support, 0);
    EXPECT_EQ(own.confidence, 1.0);
    EXPECT_EQ(own.trust, TrustLevel::suggest);
    EXPECT_EQ(own.edits, edits.at("made:b"));
    EXPECT_TRUE(result[4].items.empty());
    EXPECT_EQ(result[4].edits.cues, cued.cues);
}

TEST(RoutineBook, KeysMatchAsUnicodeText) {
    // A record stored under the decomposed spelling of a learned key's id still belongs to it.
    const std::vector<Routine> routines = {
        {ContextKey::event("caf\xC3\xA9"), {app("a")}, 2, 0.75, TrustLevel::suggest},
    };
    RoutineEdits record = adding({app("b")});
    const auto result = RoutineBook::apply({{"event:cafe\xCC\x81", record}}, routines);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(ids(result[0].items), (std::vector<std::string>{"app:a", "app:b"}));
}

} // namespace
} // namespace ostrel
