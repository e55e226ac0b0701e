// Naming time-slot routines with the language model: who is asked, what is asked, what is kept.

#include "app/ai/RoutineTitle.hpp"
#include "app/ai/SmartNames.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/RoutineName.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

// Monday 9:30 at home: its key's own name is "Mondays around 9:30 AM".
const ContextKey mondayMorning = ContextKey::slot(2, 19, "home");

Routine slotRoutine(std::vector<Item> items) {
    Routine routine{mondayMorning};
    routine.items = std::move(items);
    return routine;
}

// The key's own words as the prompt carries them. ICU puts a narrow no-break space before "AM".
std::string slotWords(const Calendar& calendar) {
    const std::string words = text::lowercased(RoutineName::name(mondayMorning, {}, calendar));
    EXPECT_TRUE(words.starts_with("mondays around 9:30")) << words;
    EXPECT_TRUE(words.ends_with("am")) << words;
    return words;
}

std::string answer(const std::string& name) {
    return json::Value{{"name", name}}.dump();
}

class SmartNamesTest : public ::testing::Test {
protected:
    SmartNamesTest() {
        MachineState::InstalledApp code;
        code.appID = "code.desktop";
        code.name = "Visual Studio Code";
        machine.installApp(code);
    }

    // Runs one naming to its end; "no answer" when done was never called.
    std::optional<std::string> named(const Routine& routine) {
        bool called = false;
        std::optional<std::string> result;
        Subscription call = SmartNames::name(routine, {}, calendar, access,
                                             [&](const std::optional<std::string>& name) {
                                                 called = true;
                                                 result = name;
                                             });
        time.settle();
        EXPECT_TRUE(called);
        return result;
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedLanguageModel model{main};
    SimulatedMachine machine;
    Settings settings{Settings::inMemory};
    Calendar calendar{"Europe/Berlin", "en_US"};
    ModelAccess access{model, settings, machine.workspace()};
};

TEST_F(SmartNamesTest, OnlyUnnamedSlotRoutinesWithoutAStoredNameAreAsked) {
    Routine studentNamed = slotRoutine({});
    studentNamed.edits.name = "My desk";
    Routine emptyName = slotRoutine({});
    emptyName.edits.name = "";
    settings.set(settingsKeys::smartNames, SettingsDictionary{{"slot:3:19:home", "Stats time"}});
    const struct {
        const char* what;
        Routine routine;
    } cases[] = {
        {"an event key", Routine{ContextKey::event("series-1")}},
        {"a title key", Routine{ContextKey::title("Career fair")}},
        {"a made key", Routine{ContextKey::made("abc")}},
        {"a slot named by the student", studentNamed},
        {"a slot named empty by the student", emptyName},
        {"a slot with a stored name", Routine{ContextKey::slot(3, 19, "home")}},
    };
    for (const auto& one : cases) {
        model.answer(answer("Should not be used"));
        EXPECT_EQ(named(one.routine), std::nullopt) << one.what;
        EXPECT_TRUE(model.requests().empty()) << one.what;
        EXPECT_EQ(model.probes(), 0) << one.what << ": probed before the cheap tests";
    }
}

TEST_F(SmartNamesTest, AStoredNameIsFinal) {
    model.answer(answer("Morning code"));
    EXPECT_EQ(named(slotRoutine({})), "Morning code");
    model.answer(answer("Something else"));
    EXPECT_EQ(named(slotRoutine({})), std::nullopt);
    EXPECT_EQ(model.requests().size(), 1U);
    EXPECT_EQ(SmartNames::cached(settings, mondayMorning.id()), "Morning code");
}

TEST_F(SmartNamesTest, TheRequestCarriesTheInstructionsThePromptAndTheSchema) {
    model.answer(answer("Morning code"));
    named(slotRoutine({*Item::app("code.desktop"), *Item::app("org.example.Unknown"),
                       *Item::document("/home/sam/Uni/Thesis.odt"), *Item::note("org.gnome.Notes", "Ideas"),
                       *Item::page("https://learn.example.edu/course/7"), *Item::page("http://intranet.example/"),
                       *Item::page("https://seventh.example/")}));
    ASSERT_EQ(model.requests().size(), 1U);
    const ModelRequest& request = model.requests()[0];
    EXPECT_EQ(request.instructions, "You name a student's computer routines in one to three plain words.");
    // Six items only; "https://" goes, other schemes stay; the slot words lower-cased.
    EXPECT_EQ(request.prompt, "They use Visual Studio Code, org.example.Unknown, Thesis.odt, Ideas, "
                              "learn.example.edu/course/7, http://intranet.example/ " + slotWords(calendar) + ". Name it.");
    EXPECT_EQ(request.schema, RoutineTitle::schema());
}

TEST_F(SmartNamesTest, ExcludedAppsAndPagesOfExcludedSitesAreNeverNamed) {
    Exclusions exclusions;
    exclusions.apps.bundleIDs.insert("org.example.Diary");
    exclusions.sites.sites.insert("bank.example");
    const Routine routine = slotRoutine({*Item::app("org.example.Diary"), *Item::page("https://www.bank.example/login"),
                                         *Item::note("org.example.Diary", "Dear diary"),
                                         *Item::page("https://web.whatsapp.com/"), *Item::app("code.desktop")});
    EXPECT_EQ(SmartNames::prompt(routine, {}, calendar, machine.workspace(), exclusions),
              "They use Visual Studio Code " + slotWords(calendar) + ". Name it.");
    // No items left: the slot words follow the space directly.
    EXPECT_EQ(SmartNames::prompt(slotRoutine({*Item::app("org.example.Diary")}), {}, calendar, machine.workspace(),
                                 exclusions),
              "They use  " + slotWords(calendar) + ". Name it.");
}

TEST_F(SmartNamesTest, AnswersAreCleanedAndJudged) {
    const std::string thirtyTwo(32, 'a');
    const struct {
        std::string answer;
        std::optional<std::string> kept;
    } cases[] = {
        {answer("\"Evening coding.\""), "Evening coding"},
        {answer("  \n«Stats, then lab!»\t "), "Stats, then lab"}, // inner punctuation stays
        {answer(thirtyTwo), thirtyTwo},
        {answer(thirtyTwo + "a"), std::nullopt},
        {answer("\"" + thirtyTwo + "\""), thirtyTwo}, // counted after trimming
        {answer(std::string(16, 'a') + "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
         std::string(16, 'a') + "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"}, // characters, not bytes
        {answer(" ... "), std::nullopt},
        {answer(""), std::nullopt},
        {R"({"name":42})", std::nullopt},         // no coercion
        {R"({"title":"Desk"})", std::nullopt},    // no name
        {"Evening coding", std::nullopt},         // not JSON
        {R"(["Evening coding"])", std::nullopt},  // not an object
    };
    for (const auto& one : cases) {
        settings.remove(settingsKeys::smartNames);
        model.answer(one.answer);
        EXPECT_EQ(named(slotRoutine({})), one.kept) << one.answer;
        EXPECT_EQ(SmartNames::cached(settings, mondayMorning.id()), one.kept) << one.answer << ": stored";
    }
}

TEST_F(SmartNamesTest, FailuresStoreNothing) {
    const struct {
        const char* what;
        ModelAvailability availability;
        std::optional<ModelError> error;
    } cases[] = {
        {"not enabled", ModelAvailability::notEnabled, std::nullopt},
        {"still downloading", ModelAvailability::notReady, std::nullopt},
        {"timed out", ModelAvailability::available, ModelError(ModelError::Kind::timedOut, "late")},
        {"bad reply", ModelAvailability::available, ModelError(ModelError::Kind::badReply, "odd")},
    };
    for (const auto& one : cases) {
        model.setAvailability(one.availability);
        if (one.error) {
            model.fail(*one.error);
        }
        const std::size_t asked = model.requests().size();
        EXPECT_EQ(named(slotRoutine({})), std::nullopt) << one.what;
        EXPECT_EQ(model.requests().size(), asked + (one.error ? 1 : 0)) << one.what;
        EXPECT_FALSE(settings.get(settingsKeys::smartNames).has_value()) << one.what;
    }
}

TEST_F(SmartNamesTest, ASettingThatIsNotADictionaryIsReplacedAndOtherNamesAreKept) {
    settings.set(settingsKeys::smartNames, SettingsValue("not names"));
    EXPECT_EQ(SmartNames::cached(settings, mondayMorning.id()), std::nullopt);
    model.answer(answer("Morning code"));
    EXPECT_EQ(named(slotRoutine({})), "Morning code");
    EXPECT_EQ(settings.get(settingsKeys::smartNames),
              SettingsValue(SettingsDictionary{{mondayMorning.id(), "Morning code"}}));

    settings.set(settingsKeys::smartNames, SettingsDictionary{{"slot:5:30:home", "Gym playlist"}});
    model.answer(answer("Morning code"));
    EXPECT_EQ(named(slotRoutine({})), "Morning code");
    EXPECT_EQ(SmartNames::cached(settings, "slot:5:30:home"), "Gym playlist");
}

TEST_F(SmartNamesTest, ADroppedCallStoresNothingAndAHeldModelHoldsOnlyItsCall) {
    model.hold();
    model.answer(answer("Morning code"));
    bool called = false;
    {
        Subscription call = SmartNames::name(slotRoutine({}), {}, calendar, access,
                                             [&](const std::optional<std::string>&) { called = true; });
        time.settle();
        EXPECT_EQ(model.requests().size(), 1U);
    }
    EXPECT_TRUE(model.release());
    time.settle();
    EXPECT_FALSE(called);
    EXPECT_FALSE(settings.get(settingsKeys::smartNames).has_value());
}

} // namespace
} // namespace ostrel
