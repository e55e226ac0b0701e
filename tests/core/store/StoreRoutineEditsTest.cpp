#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"
#include "support/Printers.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::RawDatabase;

class StoreRoutineEditsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / "Quev" / "quev.sqlite";
    Store store{file};

    static RoutineEdits physics() {
        RoutineEdits edits;
        edits.name = "Physics";
        edits.added = {Item::page("https://example.com/a/b").value(),
                       Item::note("com.apple.Notes", "Week 3").value()};
        edits.removed = {Item::app("com.apple.Music").value()};
        edits.layout.emplace("com.apple.Safari", RoutineEdits::Placement::frame({0, 25, 720, 875}));
        edits.cues = {{Cue::Time{{2, 4}, 540}}, {Cue::App{"com.apple.Preview"}}};
        edits.mode = RoutineEdits::Mode::automatic;
        edits.created = 1'700'000'000'000;
        return edits;
    }

    std::string stored(const std::string& column, const std::string& id) {
        RawDatabase raw(file);
        return raw.scalar("SELECT " + column + " FROM routine_edits WHERE id = '" + id + "'");
    }

    std::string rowCount() {
        RawDatabase raw(file);
        return raw.scalar("SELECT count(*) FROM routine_edits");
    }
};

TEST_F(StoreRoutineEditsTest, SavedEditsReadBackUnderTheirKeyInTheStoredForm) {
    store.save(physics(), "event:series/1", 1'700'000'100.9999);
    store.save(RoutineEdits(), "slot:2:18:unknown", -0.0015);

    const auto all = store.routineEdits();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.at("event:series/1"), physics());
    EXPECT_EQ(all.at("slot:2:18:unknown"), RoutineEdits());

    EXPECT_EQ(stored("edits", "event:series/1"), json::encodeRecord(physics()));
    EXPECT_EQ(stored("edits", "slot:2:18:unknown"),
              R"({"added":[],"cues":[],"deleted":false,"layout":{},"learnedWhen":true,"mute":false,)"
              R"("pickUp":true,"putAway":[],"removed":[]})");
    EXPECT_NE(stored("edits", "event:series/1").find("https://example.com/a/b"), std::string::npos)
        << "slashes are not escaped";
    // Times truncate toward zero.
    EXPECT_EQ(stored("updated_ts", "event:series/1"), "1700000100999");
    EXPECT_EQ(stored("updated_ts", "slot:2:18:unknown"), "-1");
}

TEST_F(StoreRoutineEditsTest, SavingAgainReplacesAndDeletingRemovesOnlyThatKey) {
    store.save(physics(), "made:A1", 10);
    store.save(physics(), "title:physics", 10);
    RoutineEdits hidden = physics();
    hidden.deleted = true;
    hidden.cues.clear();
    store.save(hidden, "made:A1", 20);
    EXPECT_EQ(rowCount(), "2");
    EXPECT_EQ(store.routineEdits().at("made:A1"), hidden);
    EXPECT_EQ(stored("updated_ts", "made:A1"), "20000");

    store.deleteEdits("made:A1");
    store.deleteEdits("made:A1");
    store.deleteEdits("made:never-saved");
    const auto left = store.routineEdits();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.begin()->first, "title:physics");
}

TEST_F(StoreRoutineEditsTest, RowsThatDoNotDecodeAreSkippedAndTheOthersStillLoad) {
    store.save(physics(), "made:good", 1);
    {
        RawDatabase raw(file);
        raw.exec(
            R"(INSERT INTO routine_edits (id, edits, updated_ts) VALUES )"
            R"(('made:not-json', 'not json', 1), )"
            R"(('made:two-cases', '{"cues":[{"time":{"weekdays":[2],"minute":480},"app":{"_0":"x"}}]}', 1), )"
            R"(('made:bad-item', '{"added":["nothing"]}', 1), )"
            R"(('made:number', 5, 1), )"
            R"(('made:array', '[]', 1), )"
            R"((NULL, '{}', 1), )"
            R"(('made:old', '{"mute":true,"futureKey":{"a":1}}', 1))");
    }
    const auto all = store.routineEdits();
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(all.at("made:good"), physics());
    RoutineEdits muted;
    muted.mute = true;
    EXPECT_EQ(all.at("made:old"), muted) << "unknown keys are ignored";
}

TEST_F(StoreRoutineEditsTest, RefusesEditsThatWouldNotReadBackAndStoresNothing) {
    const struct {
        std::string id;
        RoutineEdits edits;
    } cases[] = {
        {"", RoutineEdits()},
        {"physics", RoutineEdits()},
        {"event:", RoutineEdits()},
        {"slot:2:18:", RoutineEdits()},
        {"slot:+2:18:unknown", RoutineEdits()}, // reads back as "slot:2:18:unknown", another routine
        {"::made:x", RoutineEdits()},
        {"made:\xFF", RoutineEdits()},
        {"made:x",
         [] {
             RoutineEdits edits;
             edits.name = "bad \xC3";
             return edits;
         }()},
        {"made:x",
         [] {
             RoutineEdits edits;
             edits.added = {Item::document("/tmp/\xFF").value()};
             return edits;
         }()},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(store.save(c.edits, c.id, 1), json::EncodingError) << c.id;
    }
    EXPECT_THROW(store.save(RoutineEdits(), "made:x", std::numeric_limits<double>::quiet_NaN()),
                 DateRangeError);
    EXPECT_THROW(store.save(RoutineEdits(), "made:x", 1e300), DateRangeError);
    EXPECT_EQ(rowCount(), "0");

    // The lock was never taken or was released: the store still works.
    store.save(RoutineEdits(), "made:x", 1);
    EXPECT_EQ(rowCount(), "1");
}

TEST_F(StoreRoutineEditsTest, CanonicallyEquivalentKeysAreOneRoutine) {
    store.save(physics(), "title:caf\u00E9", 1);
    const auto all = store.routineEdits();
    EXPECT_TRUE(all.contains("title:cafe\u0301"));
}

} // namespace
} // namespace ostrel
