#include "app/editor/RoutineDraft.hpp"

#include "platform/SettingsKeys.hpp"
#include "support/StoppedClock.hpp"
#include "support/Items.hpp"

#include <cctype>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::app;
using test::document;
using test::ids;
using test::page;

const std::string nnbsp = "\u202F";

using test::StoppedClock;

std::vector<std::string> layoutKeys(const RoutineEdits& edits) {
    std::vector<std::string> keys;
    for (const auto& [bundleID, placement] : edits.layout) {
        keys.push_back(bundleID);
    }
    return keys;
}

class RoutineDraftTest : public testing::Test {
protected:
    const Calendar calendar{"America/New_York", "en_US"};
    Settings settings{Settings::inMemory};
    SecureRandom random{11};
    StoppedClock clock{1'767'225'600.987'6};
    const std::vector<CalendarSeries> series = {{"series-phys", "Physics", 0}};
    const Wording::NetworkName onCampus = [](const std::string& hash) -> std::optional<std::string> {
        return hash == "0123456789abcdef" ? std::optional<std::string>("Campus") : std::nullopt;
    };

    // A learned class routine as the routine book hands it out: learned A, B and D; D taken out,
    // C added, A's window placed on the left.
    Routine physics() const {
        Routine routine{ContextKey::event("series-phys")};
        routine.items = {app("org.gnome.gedit"), document("/home/sam/notes.pdf"), page("https://uni.example/c")};
        routine.edits.removed = {page("https://uni.example/d")};
        routine.edits.added = {page("https://uni.example/c")};
        routine.edits.layout["org.gnome.gedit"] = RoutineEdits::Placement::left();
        return routine;
    }

    RoutineDraft learned(const Routine& routine) const {
        return RoutineDraft(routine, series, false, calendar, settings, onCampus);
    }
};

TEST_F(RoutineDraftTest, ALearnedDraftUndoesTheBooksMerge) {
    const RoutineDraft draft = learned(physics());
    EXPECT_EQ(draft.id(), "event:series-phys");
    EXPECT_FALSE(draft.isNew());
    EXPECT_EQ(ids(draft.learnedItems()),
              (std::vector<std::string>{"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/d"}));
    EXPECT_EQ(ids(draft.items()), (std::vector<std::string>{"app:org.gnome.gedit", "document:/home/sam/notes.pdf",
                                                             "page:https://uni.example/c"}));
    EXPECT_EQ(ids(draft.removedItems()), (std::vector<std::string>{"page:https://uni.example/d"}));
    EXPECT_EQ(draft.learnedMoment(), "When Physics starts");
    EXPECT_EQ(draft.edits(), physics().edits);
}

TEST_F(RoutineDraftTest, NamesReadAsTheStudentsThenTheSmartThenTheKeys) {
    settings.set(settingsKeys::smartNames, SettingsDictionary{{"slot:2:19:wifi:0123456789abcdef", "Stats time"}});
    const auto named = [](Routine routine, std::optional<std::string> name) {
        routine.edits.name = std::move(name);
        return routine;
    };
    const Routine made{ContextKey::made("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), {}, 0, 1.0, TrustLevel::suggest};
    const Routine smart{ContextKey::slot(2, 19, "wifi:0123456789abcdef")};
    const Routine plainSlot{ContextKey::slot(3, 19, "unknown")};
    const struct {
        const char* what;
        Routine routine;
        std::string name;
        std::string defaultName;
        std::optional<std::string> moment;
    } cases[] = {
        {"made, unnamed", made, "", "A routine you made", std::nullopt},
        {"made, named", named(made, "Lab"), "Lab", "A routine you made", std::nullopt},
        {"class", physics(), "Physics", "Physics", "When Physics starts"},
        {"class named empty", named(physics(), ""), "", "Physics", "When Physics starts"},
        {"smart name", smart, "Stats time", "Stats time", "Mondays around 9:30" + nnbsp + "AM on Campus"},
        {"slot", plainSlot, "Tuesdays around 9:30" + nnbsp + "AM", "Tuesdays around 9:30" + nnbsp + "AM",
         "Tuesdays around 9:30" + nnbsp + "AM"},
    };
    for (const auto& one : cases) {
        const RoutineDraft draft = learned(one.routine);
        EXPECT_EQ(draft.name(), one.name) << one.what;
        EXPECT_EQ(draft.defaultName(), one.defaultName) << one.what;
        EXPECT_EQ(draft.learnedMoment(), one.moment) << one.what;
    }
}

TEST_F(RoutineDraftTest, SettingTheNameKeepsTextAsGivenAndClearsBlanksAndTheDefault) {
    const Routine made{ContextKey::made("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), {}, 0, 1.0, TrustLevel::suggest};
    const struct {
        Routine routine;
        std::string given;
        std::optional<std::string> stored;
        std::string reads;
    } cases[] = {
        {physics(), "   ", std::nullopt, "Physics"},
        {physics(), " \t\u00A0", std::nullopt, "Physics"},
        {physics(), "", std::nullopt, "Physics"},
        {physics(), "  Lab  ", "  Lab  ", "  Lab  "},
        {physics(), "\n", "\n", "\n"},
        {physics(), "Physics", std::nullopt, "Physics"},
        {physics(), "Physics ", "Physics ", "Physics "},
        {made, "A routine you made", std::nullopt, ""},
        {made, "Essay sprint", "Essay sprint", "Essay sprint"},
    };
    for (const auto& one : cases) {
        Routine routine = one.routine;
        routine.edits.name = "Earlier";
        RoutineDraft draft = learned(routine);
        draft.setName(one.given);
        EXPECT_EQ(draft.edits().name, one.stored) << "[" << one.given << "]";
        EXPECT_EQ(draft.name(), one.reads) << "[" << one.given << "]";
    }
}

TEST_F(RoutineDraftTest, AddingAndRemovingItems) {
    const Item gedit = app("org.gnome.gedit");
    const Item notes = document("/home/sam/notes.pdf");
    const Item c = page("https://uni.example/c");
    const Item d = page("https://uni.example/d");
    const Item e = page("https://uni.example/e");
    using Step = std::function<void(RoutineDraft&)>;
    const auto add = [](Item item) -> Step { return [item](RoutineDraft& draft) { draft.add(item); }; };
    const auto remove = [](Item item) -> Step { return [item](RoutineDraft& draft) { draft.remove(item); }; };
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> added;
        std::vector<std::string> removed;
        std::vector<std::string> layout;
        std::vector<std::string> items;
    } cases[] = {
        {"a learned app goes once, with its placement",
         {remove(gedit), remove(gedit)},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d", "app:org.gnome.gedit"},
         {},
         {"document:/home/sam/notes.pdf", "page:https://uni.example/c"}},
        {"a learned document keeps the layout",
         {remove(notes)},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d", "document:/home/sam/notes.pdf"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "page:https://uni.example/c"}},
        {"a removed learned item comes back without being added",
         {add(d)},
         {"page:https://uni.example/c"},
         {},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/d",
          "page:https://uni.example/c"}},
        {"an added item is not added twice",
         {add(c), add(gedit)},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/c"}},
        {"an item added in this window just goes again",
         {add(e), remove(e)},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/c"}},
        // The stored addition may have been learned too: "don't open it" must be recorded.
        {"an opened stored addition is also taken out",
         {remove(c)},
         {},
         {"page:https://uni.example/d", "page:https://uni.example/c"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf"}},
        {"and comes back as an addition",
         {remove(c), add(c)},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/c"}},
        {"an app never opened only loses its placement",
         {remove(app("org.gnome.Calculator"))},
         {"page:https://uni.example/c"},
         {"page:https://uni.example/d"},
         {"org.gnome.gedit"},
         {"app:org.gnome.gedit", "document:/home/sam/notes.pdf", "page:https://uni.example/c"}},
    };
    for (const auto& one : cases) {
        RoutineDraft draft = learned(physics());
        for (const Step& step : one.steps) {
            step(draft);
        }
        EXPECT_EQ(ids(draft.edits().added), one.added) << one.what;
        EXPECT_EQ(ids(draft.edits().removed), one.removed) << one.what;
        EXPECT_EQ(layoutKeys(draft.edits()), one.layout) << one.what;
        EXPECT_EQ(ids(draft.items()), one.items) << one.what;
    }
}

TEST_F(RoutineDraftTest, AMadeRoutinesItemsAreOnlyEverAdditions) {
    Routine made{ContextKey::made("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), {}, 0, 1.0, TrustLevel::suggest};
    made.items = {page("https://uni.example/c")};
    made.edits.added = made.items;
    RoutineDraft draft = learned(made);
    EXPECT_TRUE(draft.learnedItems().empty());
    draft.remove(page("https://uni.example/c"));
    EXPECT_TRUE(draft.edits().added.empty());
    EXPECT_TRUE(draft.edits().removed.empty());
}

TEST_F(RoutineDraftTest, CuesAreAddedOnceInOrder) {
    RoutineDraft draft = learned(physics());
    const Cue weekdays{Cue::Time{{2, 3, 4, 5, 6}, 540}};
    draft.add(weekdays);
    draft.add(Cue{Cue::WiFi{"0123456789abcdef", "Campus"}});
    draft.add(Cue{Cue::Time{{2, 3, 4, 5, 6}, 540}});
    // Another order of the same days is another cue: the time picker keeps days sorted.
    draft.add(Cue{Cue::Time{{3, 2, 4, 5, 6}, 540}});
    const std::vector<Cue> expected = {weekdays, Cue{Cue::WiFi{"0123456789abcdef", "Campus"}},
                                       Cue{Cue::Time{{3, 2, 4, 5, 6}, 540}}};
    EXPECT_EQ(draft.edits().cues, expected);
}

TEST_F(RoutineDraftTest, TiedToAClassByAClassKeyInForceOrAClassCue) {
    const auto with = [](ContextKey key, bool learnedWhen, std::vector<Cue> cues) {
        Routine routine{std::move(key)};
        routine.edits.learnedWhen = learnedWhen;
        routine.edits.cues = std::move(cues);
        return routine;
    };
    const Cue classCue{Cue::Event{"series-phys"}};
    const Cue timeCue{Cue::Time{{2}, 540}};
    const struct {
        const char* what;
        Routine routine;
        bool hasEvent;
    } cases[] = {
        {"class key", with(ContextKey::event("series-phys"), true, {}), true},
        {"class key switched off", with(ContextKey::event("series-phys"), false, {timeCue}), false},
        {"class key off with a class cue", with(ContextKey::event("series-phys"), false, {classCue}), true},
        {"title key", with(ContextKey::title("career fair"), true, {}), false},
        {"slot key", with(ContextKey::slot(2, 19, "unknown"), true, {timeCue}), false},
        {"slot key with a class cue", with(ContextKey::slot(2, 19, "unknown"), true, {timeCue, classCue}), true},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(learned(one.routine).hasEvent(), one.hasEvent) << one.what;
    }
}

TEST_F(RoutineDraftTest, ObserversHearOnlyRealChanges) {
    using Step = std::function<void(RoutineDraft&)>;
    const auto reordered = [](RoutineDraft& draft) {
        RoutineEdits edits = draft.edits();
        std::swap(edits.cues[0], edits.cues[1]);
        draft.setEdits(edits);
    };
    const auto moved = [](RoutineDraft& draft) {
        RoutineEdits edits = draft.edits();
        edits.layout["org.gnome.gedit"] = RoutineEdits::Placement::frame({0, 0, 800, 600});
        draft.setEdits(edits);
    };
    const struct {
        const char* what;
        Step step;
        int heard;
    } cases[] = {
        {"equal edits", [](RoutineDraft& draft) { draft.setEdits(draft.edits()); }, 0},
        {"the same name", [](RoutineDraft& draft) { draft.setName("Lab"); }, 0},
        {"the default name, twice", [](RoutineDraft& draft) { draft.setName("Physics"); draft.setName("Physics"); }, 1},
        {"a new name", [](RoutineDraft& draft) { draft.setName("Lab 2"); }, 1},
        {"a cue already there", [](RoutineDraft& draft) { draft.add(Cue{Cue::Time{{2}, 540}}); }, 0},
        {"cues reordered", reordered, 1},
        {"a placement changed", moved, 1},
        {"an item opened already", [](RoutineDraft& draft) { draft.add(app("org.gnome.gedit")); }, 0},
        {"an item never opened removed", [](RoutineDraft& draft) { draft.remove(page("https://x.example/")); }, 0},
        {"a placed app removed twice",
         [](RoutineDraft& draft) {
             draft.remove(app("org.gnome.gedit"));
             draft.remove(app("org.gnome.gedit"));
         },
         1},
    };
    for (const auto& one : cases) {
        Routine routine = physics();
        routine.edits.name = "Lab";
        routine.edits.cues = {Cue{Cue::Time{{2}, 540}}, Cue{Cue::Event{"series-phys"}}};
        RoutineDraft draft = learned(routine);
        int heard = 0;
        const Subscription token = draft.observe([&heard](RoutineDraft::Property property) {
            EXPECT_EQ(property, RoutineDraft::Property::edits);
            ++heard;
        });
        one.step(draft);
        EXPECT_EQ(heard, one.heard) << one.what;
    }
}

TEST_F(RoutineDraftTest, ANewDraftGetsItsOwnKeyAndCreationTime) {
    RoutineEdits edits;
    edits.added = {page("https://uni.example/c")};
    const RoutineDraft first(series, edits, calendar, clock, random);
    const RoutineDraft second(series, edits, calendar, clock, random);
    for (const RoutineDraft* draft : {&first, &second}) {
        EXPECT_TRUE(draft->isNew());
        ASSERT_TRUE(std::holds_alternative<ContextKey::Made>(draft->key().value));
        const std::string uuid = std::get<ContextKey::Made>(draft->key().value).identifier;
        EXPECT_EQ(draft->id(), "made:" + uuid);
        ASSERT_EQ(uuid.size(), 36u) << uuid;
        for (std::size_t at = 0; at < uuid.size(); ++at) {
            const bool hyphen = at == 8 || at == 13 || at == 18 || at == 23;
            EXPECT_TRUE(hyphen ? uuid[at] == '-' : std::isxdigit(uuid[at]) && !std::islower(uuid[at])) << uuid;
        }
        EXPECT_EQ(draft->edits().created, 1'767'225'600'987);
        EXPECT_EQ(draft->edits().added, edits.added);
        EXPECT_TRUE(draft->learnedItems().empty());
        EXPECT_EQ(draft->learnedMoment(), std::nullopt);
        EXPECT_EQ(draft->defaultName(), "A routine you made");
        EXPECT_EQ(draft->name(), "");
    }
    EXPECT_NE(first.id(), second.id());

    edits.created = 42;
    EXPECT_EQ(RoutineDraft(series, edits, calendar, clock, random).edits().created, 42);

    // A clock with no millisecond form leaves the creation time out rather than inventing one.
    const StoppedClock broken(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(RoutineDraft(series, RoutineEdits{}, calendar, broken, random).edits().created, std::nullopt);
}

} // namespace
} // namespace ostrel
