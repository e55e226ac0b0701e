// Loading the routines page's list: what a load reads and names, what a failure leaves, who is
// demoted, how smart names arrive, and overlapping loads and a loader that goes mid-load.

#include "app/home/RoutinesLoader.hpp"

#include "app/ai/SmartNames.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/Mornings.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ClassHistory;

// An hour after the third weekly maths class, which the student met with the editor and the
// course page each time; before them, three weeks of mornings with the editor and the mail app,
// which make one routine per weekday slot.
constexpr std::int64_t now = ClassHistory::firstClass + 2 * ClassHistory::week + 3'600'000;

std::string answer(const std::string& name) {
    return json::Value{{"name", name}}.dump();
}

class RoutinesLoaderTest : public ::testing::Test {
protected:
    RoutinesLoaderTest() {
        test::Mornings::write(path);
        store = std::make_unique<Store>(path);
        ClassHistory history(*store);
        for (int n = 0; n < 3; ++n) {
            history.classHeld(n);
            history.broughtUp(n,
                              {test::app("org.gnome.gedit"), test::page("https://learn.example.edu/maths")});
        }
    }

    std::unique_ptr<RoutinesLoader> makeLoader(bool autopilot = false, LanguageModel* languageModel = nullptr,
                                               Store* from = nullptr) {
        return std::make_unique<RoutinesLoader>(
            RoutinesLoader::Services{from != nullptr ? from : store.get(), autopilot, languageModel, settings,
                                     runtime, machine.workspace(), calendar});
    }

    // The rows of a finished load.
    static const std::vector<LearnedRoutine>& rowsOf(const RoutinesLoader& loader) {
        static const std::vector<LearnedRoutine> none;
        EXPECT_TRUE(loader.routines().has_value());
        return loader.routines() ? *loader.routines() : none;
    }
    static const LearnedRoutine* rowOf(const RoutinesLoader& loader, const std::string& id) {
        for (const LearnedRoutine& row : rowsOf(loader)) {
            if (row.id() == id) {
                return &row;
            }
        }
        return nullptr;
    }
    static std::vector<std::string> slotIds(const RoutinesLoader& loader) {
        std::vector<std::string> ids;
        for (const LearnedRoutine& row : rowsOf(loader)) {
            if (row.id().starts_with("slot:")) {
                ids.push_back(row.id());
            }
        }
        return ids;
    }

    test::TempDir dir;
    const std::filesystem::path path = dir / "quev.sqlite";
    std::unique_ptr<Store> store;
    VirtualTime time{static_cast<Date>(now) / 1000};
    VirtualRuntime runtime{time};
    SimulatedMachine machine;
    Settings settings{Settings::inMemory};
    const Calendar calendar{"Europe/Berlin", "en_US"};
    SimulatedLanguageModel model{runtime.main()};
};

TEST_F(RoutinesLoaderTest, ALoadShowsEveryRoutineInPageOrderWithItsSeriesAndSchedules) {
    RoutineEdits made;
    made.added = {test::app("org.gnome.Calculator")};
    made.created = now - 1000;
    store->save(made, "made:B7", static_cast<Date>(now) / 1000);
    const auto loader = makeLoader();
    loader->load();
    EXPECT_FALSE(loader->routines().has_value()) << "the store is read off the main executor";
    time.settle();

    const auto& rows = rowsOf(*loader);
    ASSERT_GE(rows.size(), 3U);
    EXPECT_EQ(rows.front().id(), "event:maths") << "the learner's order: most support first";
    EXPECT_EQ(test::ids(rows.front().routine.items),
              (std::vector<std::string>{"app:org.gnome.gedit", "page:https://learn.example.edu/maths"}));
    EXPECT_EQ(rows.back().id(), "made:B7") << "the routines the student made come last";
    EXPECT_EQ(rows.back().routine.support, 0);
    EXPECT_EQ(slotIds(*loader).size(), 7U) << "one routine per weekday of the mornings";
    EXPECT_EQ(loader->series(), (std::vector<CalendarSeries>{
                                    {"maths", "Maths", ClassHistory::firstClass - ClassHistory::day}}));
    ASSERT_EQ(loader->schedules().count("maths"), 1U);
    EXPECT_EQ(loader->schedules().at("maths"), (SeriesSchedule{{2}, 9 * 60 + 30, "Room 1"}));
    for (const LearnedRoutine& row : rows) {
        EXPECT_FALSE(row.demoted) << row.id();
    }
    EXPECT_EQ(time.pending(), 0U);
}

TEST_F(RoutinesLoaderTest, NamesAreTheStudentsThenTheCachedSmartNameThenThePlainOne) {
    RoutineEdits named;
    named.name = "Linear algebra";
    store->save(named, "event:maths", static_cast<Date>(now) / 1000);
    const auto first = makeLoader();
    first->load();
    time.settle();
    const std::vector<std::string> slots = slotIds(*first);
    ASSERT_GE(slots.size(), 2U);
    settings.set(
        settingsKeys::smartNames,
        SettingsDictionary{{slots[0], "Morning mail"}, {"event:maths", "Not this one"}, {slots[1], 42.0}});

    const auto loader = makeLoader(false, &model);
    loader->load();
    time.settle();
    const struct {
        std::string id;
        std::string name;
    } cases[] = {
        {"event:maths", "Linear algebra"},
        {slots[0], "Morning mail"},
        // A cached value that is not text names nothing.
        {slots[1], RoutineName::name(*ContextKey::fromId(slots[1]), {}, calendar)},
    };
    for (const auto& one : cases) {
        const LearnedRoutine* row = rowOf(*loader, one.id);
        ASSERT_NE(row, nullptr) << one.id;
        EXPECT_EQ(row->name, one.name) << one.id;
    }
    EXPECT_TRUE(rowOf(*loader, slots[1])->name.find("days around ") != std::string::npos);
    // The model was asked for every slot but the cached one (its script is empty: each fails).
    EXPECT_EQ(model.requests().size(), slots.size() - 1);
    for (const ModelRequest& request : model.requests()) {
        EXPECT_EQ(request.prompt.find("Linear"), std::string::npos) << "a named routine is never asked about";
    }
}

TEST_F(RoutinesLoaderTest, AFailingReadGivesTheEmptyListAndNoStoreGivesNoLoad) {
    RoutinesLoader none({nullptr, true, &model, settings, runtime, machine.workspace(), calendar});
    none.load();
    time.settle();
    EXPECT_FALSE(none.routines().has_value()) << "without a store the page keeps saying it is learning";
    EXPECT_EQ(time.pending(), 0U);

    for (const char* table : {"triggers", "calendar_events", "routine_edits"}) {
        const test::TempDir folder;
        const auto file = folder / "quev.sqlite";
        test::Mornings::write(file);
        Store broken(file);
        test::RawDatabase(file).exec(std::string("DROP TABLE ") + table);
        const auto loader = makeLoader(true, &model, &broken);
        int told = 0;
        const Subscription watching = loader->observe([&](RoutinesLoader::Property) { ++told; });
        loader->load();
        time.settle();
        ASSERT_TRUE(loader->routines().has_value()) << table;
        EXPECT_TRUE(loader->routines()->empty()) << table;
        EXPECT_TRUE(loader->series().empty()) << table;
        EXPECT_TRUE(loader->schedules().empty()) << table;
        EXPECT_EQ(told, 1) << table;
    }
}

TEST_F(RoutinesLoaderTest, OnlyAnAutopilotDemotes) {
    const struct {
        const char* what;
        bool autopilot;
        SettingsValue demoted;
        bool mathsDemoted;
    } cases[] = {
        {"listed, with an autopilot", true, SettingsArray{"event:maths", "slot:9:9:x"}, true},
        {"listed, without an autopilot", false, SettingsArray{"event:maths"}, false},
        {"a list holding something else than text", true, SettingsArray{"event:maths", 3.0}, false},
        {"not a list", true, SettingsValue("event:maths"), false},
    };
    for (const auto& one : cases) {
        settings.set(settingsKeys::demotedRoutines, one.demoted);
        const auto loader = makeLoader(one.autopilot);
        loader->load();
        time.settle();
        for (const LearnedRoutine& row : rowsOf(*loader)) {
            EXPECT_EQ(row.demoted, one.mathsDemoted && row.id() == "event:maths")
                << one.what << ": " << row.id();
        }
    }
}

TEST_F(RoutinesLoaderTest, SmartNamesComeOneAtATimeAfterTheRowsSeriesAndSchedules) {
    model.hold();
    const auto loader = makeLoader(false, &model);
    std::vector<RoutinesLoader::Property> told;
    const Subscription watching =
        loader->observe([&](RoutinesLoader::Property property) { told.push_back(property); });
    loader->load();
    time.settle();

    // The model is slow: the list, its series and the class's schedule are there already.
    EXPECT_EQ(told, std::vector{RoutinesLoader::Property::rows});
    EXPECT_TRUE(loader->isNaming());
    EXPECT_EQ(loader->series().size(), 1U);
    EXPECT_EQ(loader->schedules().count("maths"), 1U);
    ASSERT_EQ(model.requests().size(), 1U) << "one question at a time";
    const std::vector<std::string> slots = slotIds(*loader);
    ASSERT_EQ(slots.size(), 7U);
    const std::string firstSlot = slots.front();
    const std::string plain = rowOf(*loader, firstSlot)->name;

    model.answer(answer("Morning mail"));
    ASSERT_TRUE(model.release());
    time.settle();
    EXPECT_EQ(rowOf(*loader, firstSlot)->name, "Morning mail") << "was " << plain;
    EXPECT_EQ(SmartNames::cached(settings, firstSlot), "Morning mail");
    EXPECT_EQ(told, (std::vector{RoutinesLoader::Property::rows, RoutinesLoader::Property::names}));
    // The others were asked after it, each failing (nothing scripted): their names stay.
    EXPECT_EQ(model.requests().size(), slots.size());
    EXPECT_FALSE(loader->isNaming());
    for (std::size_t i = 1; i < slots.size(); ++i) {
        EXPECT_EQ(rowOf(*loader, slots[i])->name,
                  RoutineName::name(*ContextKey::fromId(slots[i]), {}, calendar));
    }
}

TEST_F(RoutinesLoaderTest, OnlyTheNewestOfOverlappingLoadsIsShown) {
    const auto loader = makeLoader(false, &model);
    std::vector<std::string> shownNames;
    const Subscription watching = loader->observe([&](RoutinesLoader::Property property) {
        if (property == RoutinesLoader::Property::rows) {
            shownNames.push_back(rowOf(*loader, "event:maths")->name);
        }
    });
    // The first load reads the store before the student names the class; the second after.
    model.hold();
    loader->load();
    runtime.worker().post([this] {
        RoutineEdits named;
        named.name = "Linear algebra";
        store->save(named, "event:maths", static_cast<Date>(now) / 1000);
    });
    loader->load();
    time.settle();
    EXPECT_EQ(shownNames, std::vector<std::string>{"Linear algebra"})
        << "the older list never replaced the newer";

    // A third load supersedes the second while its first smart name is still being asked.
    ASSERT_EQ(model.requests().size(), 1U);
    const std::string asked = slotIds(*loader).front();
    model.hold();
    loader->load();
    time.settle();
    ASSERT_EQ(model.requests().size(), 2U) << "the new list asks again from its first row";
    model.answer(answer("Stale name"));
    ASSERT_TRUE(model.release()); // the superseded question: dropped, nothing kept
    time.settle();
    EXPECT_EQ(SmartNames::cached(settings, asked), std::nullopt);
    EXPECT_NE(rowOf(*loader, asked)->name, "Stale name");
    model.answer(answer("Morning mail"));
    ASSERT_TRUE(model.release());
    time.settle();
    EXPECT_EQ(rowOf(*loader, asked)->name, "Morning mail");
    EXPECT_EQ(shownNames.size(), 2U);
}

TEST_F(RoutinesLoaderTest, ANameCachedAfterTheListWasReadIsShownAllTheSame) {
    const auto loader = makeLoader(false, &model);
    model.answer(answer("Morning mail"));
    loader->load();
    time.settle();
    const std::string first = slotIds(*loader).front();
    ASSERT_EQ(rowOf(*loader, first)->name, "Morning mail");

    // The next load reads an empty cache; the name is kept again (an older list's answer) before
    // that list arrives, and the model is not asked twice for it: the row takes it from the cache.
    settings.remove(settingsKeys::smartNames);
    model.hold();
    loader->load();
    runtime.worker().post([this, first] {
        settings.set(settingsKeys::smartNames, SettingsDictionary{{first, "Morning mail"}});
    });
    time.settle();
    EXPECT_EQ(rowOf(*loader, first)->name, "Morning mail");
}

TEST_F(RoutinesLoaderTest, TheSchedulesReachSevenDaysEitherSideOfNow) {
    const test::TempDir folder;
    const auto file = folder / "quev.sqlite";
    Store one(file);
    ClassHistory(one).classHeld(0); // Monday 9:30 to 11:00
    const std::int64_t start = ClassHistory::classStart(0);
    const std::int64_t end = start + ClassHistory::classLength;
    const std::int64_t week = ClassHistory::week;
    const struct {
        const char* what;
        std::int64_t at;
        bool scheduled;
    } cases[] = {
        {"a week after it ended but for a millisecond", end + week - 1, true},
        {"a week after it ended", end + week, false},
        {"a week before it starts but for a millisecond", start - week + 1, true},
        {"a week before it starts", start - week, false},
    };
    for (const auto& c : cases) {
        const auto result = RoutinesLoader::compute(one, c.at, calendar, settings);
        ASSERT_TRUE(result.has_value()) << c.what;
        EXPECT_EQ(result->schedules.count("maths"), c.scheduled ? 1U : 0U) << c.what;
        EXPECT_EQ(result->series.size(), 1U) << c.what << ": the series is known either way";
    }
}

TEST_F(RoutinesLoaderTest, ALoaderThatGoesMidLoadGetsNothingMore) {
    {
        const auto loader = makeLoader(true, &model);
        loader->load();
        EXPECT_GT(time.pending(), 0U);
    }
    time.settle(); // the worker's part runs to its end and finds nobody (the sanitizers watch)
    EXPECT_EQ(time.pending(), 0U);

    model.hold();
    {
        const auto loader = makeLoader(true, &model);
        loader->load();
        time.settle();
        ASSERT_EQ(model.requests().size(), 1U);
    }
    model.answer(answer("Morning mail"));
    ASSERT_TRUE(model.release());
    time.settle();
    EXPECT_EQ(settings.get(settingsKeys::smartNames), std::nullopt) << "the question went with the loader";
}

} // namespace
} // namespace ostrel
