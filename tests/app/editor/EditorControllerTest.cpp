// The editor's footer on a real store and autopilot in virtual time: what Save, Delete and
// "Try it now" write, in which order the autopilot and the application hear of it, and what a
// failed or impossible write leaves behind.

#include "app/editor/EditorController.hpp"

#include "app/autopilot/AutopilotController.hpp"
#include "support/Items.hpp"
#include "support/ObserverWorld.hpp"
#include "support/RawDatabase.hpp"
#include "support/RecordingSurface.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::app;

class EditorControllerTest : public ::testing::Test {
protected:
    EditorControllerTest() {
        world.startWriterOnly();
        autopilot = std::make_unique<AutopilotController>(AutopilotController::Services{
            world.store, world.writer(), world.runtime, world.settings, world.platform, banner, ledger, shortcuts,
            world.random, calendar, "en_US"});
        autopilot->setTrace([this](const json::Value& effect) {
            const std::string name = effect.at("effect").get<std::string>();
            if (name == "promote" || name == "schedule") {
                log.push_back(name);
            } else if (name == "run") {
                log.push_back("run " + effect.at("name").get<std::string>());
            }
        });
    }

    Routine physics() const {
        Routine routine{ContextKey::event("physics")};
        routine.items = {app("org.gnome.gedit")};
        return routine;
    }

    std::unique_ptr<RoutineDraft> learned(const Routine& routine) {
        return std::make_unique<RoutineDraft>(routine, std::vector<CalendarSeries>{{"physics", "Physics", 0}}, false,
                                              calendar, world.settings, [](const std::string&) {
                                                  return std::optional<std::string>();
                                              });
    }
    std::unique_ptr<RoutineDraft> made() {
        return std::make_unique<RoutineDraft>(std::vector<CalendarSeries>{}, RoutineEdits{}, calendar,
                                              world.time.clock(), world.random);
    }

    EditorController controller(RoutineDraft& draft, bool withStore = true, bool withAutopilot = true) {
        return EditorController(draft, {withStore ? &world.store : nullptr, withAutopilot ? autopilot.get() : nullptr,
                                        world.time.clock(), [this] { log.push_back("changed"); },
                                        [this] { log.push_back("beep"); }, [this] { log.push_back("close"); }});
    }

    std::optional<RoutineEdits> stored(const std::string& id) {
        auto all = world.store.routineEdits();
        const auto found = all.find(id);
        return found == all.end() ? std::nullopt : std::optional(found->second);
    }

    using Log = std::vector<std::string>;

    test::ObserverWorld world;
    const Calendar calendar{"Europe/Berlin", "en_US"};
    std::vector<std::string> bannerLog;
    test::RecordingSurface surface{bannerLog};
    Banner banner{surface, world.runtime.main()};
    RunLedger ledger;
    Shortcuts shortcuts{world.machine.commands()};
    std::unique_ptr<AutopilotController> autopilot;
    Log log;
};

TEST_F(EditorControllerTest, SavingPromotesUnlessItAsksThenReschedulesPostsAndCloses) {
    struct Case {
        std::optional<RoutineEdits::Mode> mode;
        Log expected;
    };
    const Case cases[] = {
        {std::nullopt, {"promote", "schedule", "changed", "close"}},
        {RoutineEdits::Mode::automatic, {"promote", "schedule", "changed", "close"}},
        {RoutineEdits::Mode::off, {"promote", "schedule", "changed", "close"}},
        {RoutineEdits::Mode::ask, {"schedule", "changed", "close"}},
    };
    for (const Case& c : cases) {
        log.clear();
        const auto draft = learned(physics());
        draft->change([&](RoutineEdits& edits) {
            edits.mute = true;
            edits.mode = c.mode;
        });
        controller(*draft).save();
        EXPECT_EQ(log, c.expected);
        ASSERT_TRUE(stored("event:physics"));
        EXPECT_EQ(*stored("event:physics"), draft->edits());
    }
}

TEST_F(EditorControllerTest, ALearnedRoutinePutBackAsLearnedLosesItsRow) {
    Routine routine = physics();
    routine.edits.mute = true;
    world.store.save(routine.edits, "event:physics", world.time.clock().now());
    const auto draft = learned(routine);
    draft->change([](RoutineEdits& edits) { edits.mute = false; });
    controller(*draft).save();
    EXPECT_FALSE(stored("event:physics"));
    EXPECT_EQ(log, (Log{"promote", "schedule", "changed", "close"}));
}

TEST_F(EditorControllerTest, AMadeRoutineIsNamedAndAlwaysWritten) {
    const auto draft = made();
    draft->add(Cue{Cue::Time{{2}, 540}});
    controller(*draft).save();
    const auto row = stored(draft->id());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, "My routine");
    EXPECT_EQ(row->created, draft->edits().created);
    EXPECT_EQ(draft->name(), "My routine");
}

TEST_F(EditorControllerTest, AMadeRoutineWithNothingToOpenAndNoMomentIsNotStored) {
    const auto draft = made();
    draft->change([](RoutineEdits& edits) { edits.mute = true; });
    controller(*draft).save();
    EXPECT_EQ(log, Log{"beep"});
    EXPECT_TRUE(world.store.routineEdits().empty());
    EXPECT_FALSE(draft->edits().name) << "nothing of the draft changes either";

    draft->add(app("org.gnome.gedit"));
    controller(*draft).save();
    EXPECT_TRUE(stored(draft->id()));
}

TEST_F(EditorControllerTest, AFailedSaveBeepsAndKeepsEverything) {
    test::RawDatabase(world.dir / "quev.sqlite").exec("DROP TABLE routine_edits");
    const auto draft = made();
    draft->add(app("org.gnome.gedit"));
    controller(*draft).save();
    EXPECT_EQ(log, Log{"beep"});
    EXPECT_EQ(draft->name(), "My routine") << "the name filled in stays for the student to see";
    EXPECT_EQ(draft->items().size(), 1U);
}

TEST_F(EditorControllerTest, WithoutAStoreEveryWriteBeeps) {
    const auto draft = learned(physics());
    draft->change([](RoutineEdits& edits) { edits.mute = true; });
    EditorController editor = controller(*draft, false);
    editor.save();
    editor.deleteClicked();
    editor.deleteClicked();
    EXPECT_EQ(log, (Log{"beep", "beep"}));
    EXPECT_TRUE(editor.confirmingDelete());
}

TEST_F(EditorControllerTest, DeleteAsksForASecondClick) {
    Routine routine = physics();
    routine.edits.mute = true;
    const auto draft = learned(routine);
    EditorController editor = controller(*draft);
    EXPECT_TRUE(editor.canDelete());
    EXPECT_EQ(editor.deleteTitle(), "Delete");
    editor.deleteClicked();
    EXPECT_EQ(editor.deleteTitle(), "Click again to delete");
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(stored("event:physics"));

    editor.deleteClicked();
    EXPECT_EQ(log, (Log{"schedule", "changed", "close"}));
    const auto row = stored("event:physics");
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->deleted);
    EXPECT_TRUE(row->mute) << "the other edits are kept";
    EXPECT_FALSE(draft->edits().deleted) << "the draft itself is not changed";
}

TEST_F(EditorControllerTest, DeletingAMadeRoutineRemovesItsRow) {
    Routine routine{ContextKey::made("A")};
    routine.edits.added = {app("org.gnome.gedit")};
    world.store.save(routine.edits, "made:A", world.time.clock().now());
    const auto draft = learned(routine);
    EditorController editor = controller(*draft);
    editor.deleteClicked();
    editor.deleteClicked();
    EXPECT_FALSE(stored("made:A"));
    EXPECT_EQ(log, (Log{"schedule", "changed", "close"}));
}

TEST_F(EditorControllerTest, AFailedDeleteBeepsAndStays) {
    test::RawDatabase(world.dir / "quev.sqlite").exec("DROP TABLE routine_edits");
    const auto draft = learned(physics());
    EditorController editor = controller(*draft);
    editor.deleteClicked();
    editor.deleteClicked();
    EXPECT_EQ(log, Log{"beep"});
}

TEST_F(EditorControllerTest, ANewRoutineCannotBeDeleted) {
    const auto draft = made();
    EditorController editor = controller(*draft);
    EXPECT_FALSE(editor.canDelete());
    editor.deleteClicked();
    editor.deleteClicked();
    EXPECT_TRUE(log.empty());
}

TEST_F(EditorControllerTest, WithoutAnAutopilotSavingStillStoresPostsAndCloses) {
    const auto draft = learned(physics());
    draft->change([](RoutineEdits& edits) { edits.mute = true; });
    EditorController editor = controller(*draft, true, false);
    editor.tryIt();
    editor.save();
    EXPECT_EQ(log, (Log{"changed", "close"}));
    EXPECT_TRUE(stored("event:physics"));
}

TEST_F(EditorControllerTest, TryingSetsUpUnderTheNameAndStoresNothing) {
    const auto unnamed = made();
    unnamed->add(app("org.gnome.gedit"));
    controller(*unnamed).tryIt();
    const auto physicsDraft = learned(physics());
    controller(*physicsDraft).tryIt();
    physicsDraft->setName("Lab");
    controller(*physicsDraft).tryIt();
    world.settle();
    EXPECT_EQ(log, (Log{"run your new routine", "run Physics", "run Lab"}));
    EXPECT_TRUE(world.store.routineEdits().empty());
}

TEST_F(EditorControllerTest, TheWordsFollowTheKindOfRoutine) {
    const auto learnedDraft = learned(physics());
    const auto newDraft = made();
    Routine routine{ContextKey::made("A")};
    const auto madeDraft = learned(routine);
    struct Case {
        RoutineDraft* draft;
        std::string subtitle;
        std::string save;
        std::string title;
    };
    const Case cases[] = {
        {learnedDraft.get(), "Ostrel learned this. Your changes stay, even as it keeps learning.", "Save", "Physics"},
        {newDraft.get(), "A routine you're making", "Make it", "New routine"},
        {madeDraft.get(), "A routine you made", "Save", EditorController::windowTitle(*madeDraft)},
    };
    for (const Case& c : cases) {
        EditorController editor = controller(*c.draft);
        EXPECT_EQ(editor.subtitle(), c.subtitle);
        EXPECT_EQ(editor.saveTitle(), c.save);
        EXPECT_EQ(EditorController::windowTitle(*c.draft), c.title);
    }
}

} // namespace
} // namespace ostrel
