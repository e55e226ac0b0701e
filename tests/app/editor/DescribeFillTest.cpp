// The describe card's state: when it may fill, what it hands the model, what a fill leaves in the
// draft and on the card, and that going away mid-fill is safe.

#include "app/editor/DescribeFill.hpp"

#include "app/ai/OnDevice.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/StoppedClock.hpp"
#include "support/Items.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::StoppedClock;

// The model's answer: a routine opening apps at a moment of the given kind.
std::string idea(const std::string& kind, const std::vector<std::string>& apps) {
    nlohmann::ordered_json answer = {{"name", "desk"},  {"apps", apps},    {"websites", nlohmann::json::array()},
                                     {"places", nlohmann::json::array()}, {"hide", nlohmann::json::array()},
                                     {"mute", false}};
    answer["when"] = {{"kind", kind}, {"hour", 9}, {"minute", 0}, {"days", nlohmann::json::array()}, {"name", ""}};
    return answer.dump();
}

const std::string atNine = "at a time of day";

class DescribeFillTest : public testing::Test {
protected:
    DescribeFill::Sources sources(LanguageModel* languageModel) {
        DescribeFill::Sources given{main, worker, languageModel, {}, {}, nullptr, nullptr};
        given.installedApps = [this] {
            ++scans;
            return std::vector<InstalledApps::App>{{"Slack", "com.slack.Slack"}, {"Zotero", "org.zotero.Zotero"}};
        };
        return given;
    }

    std::unique_ptr<RoutineDraft> newDraft() {
        return std::make_unique<RoutineDraft>(series, RoutineEdits{}, calendar, clock, random);
    }

    // A learned routine's draft: its edits have no `created`.
    std::unique_ptr<RoutineDraft> learnedDraft() {
        return std::make_unique<RoutineDraft>(Routine{ContextKey::event("s-calc")}, series, false, calendar, settings,
                                              [](const std::string&) { return std::nullopt; });
    }

    // Types words and fills, then lets the scan and the model answer.
    void fillWith(DescribeFill& fill, const std::string& words) {
        fill.setWords(words);
        ASSERT_TRUE(fill.fill());
        time.settle();
        ASSERT_FALSE(fill.working());
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    Executor& worker = time.makeExecutor("worker");
    SimulatedLanguageModel model{main};
    const Calendar calendar{"America/New_York", "en_US"};
    Settings settings{Settings::inMemory};
    SecureRandom random{7};
    StoppedClock clock{1'767'225'600.5};
    const std::vector<CalendarSeries> series = {{"s-calc", "Calculus II", 0}};
    int scans = 0;
};

TEST_F(DescribeFillTest, OnlyWordsBesidesSpacesAndTabsLetItFill) {
    const struct {
        std::string words;
        bool canFill;
    } cases[] = {
        {"", false}, {"   ", false}, {" \t \t", false}, {"\n", true}, {"  slack  ", true}, {"x", true},
    };
    const auto draft = newDraft();
    DescribeFill fill(*draft, sources(&model));
    for (const auto& one : cases) {
        fill.setWords(one.words);
        EXPECT_EQ(fill.canFill(), one.canFill) << '"' << one.words << '"';
        EXPECT_EQ(fill.fill(), one.canFill) << '"' << one.words << '"';
        time.settle();
    }
    EXPECT_EQ(model.requests().size(), 3u) << "a refused fill asks nothing";
}

TEST_F(DescribeFillTest, HandsTheModelTheWordsAsTypedWithTheAppsScannedOffMain) {
    model.answer(idea(atNine, {"slack"}));
    const auto draft = newDraft();
    DescribeFill fill(*draft, sources(&model));
    fill.setWords("  open slack at 9  ");
    ASSERT_TRUE(fill.fill());
    EXPECT_TRUE(fill.working());
    EXPECT_FALSE(fill.canFill()) << "no second fill while one runs";
    EXPECT_FALSE(fill.fill());
    EXPECT_EQ(scans, 0) << "the scan waits for the worker";

    fill.setWords("changed while scanning");
    time.settle();
    EXPECT_EQ(scans, 1);
    ASSERT_EQ(model.requests().size(), 1u);
    EXPECT_EQ(model.requests().front().prompt, "  open slack at 9  ");
    EXPECT_NE(model.requests().front().instructions.find("Slack, Zotero"), std::string::npos);
    EXPECT_NE(model.requests().front().instructions.find("Calculus II"), std::string::npos);
    EXPECT_EQ(test::ids(draft->edits().added), std::vector<std::string>{"app:com.slack.Slack"});
    EXPECT_FALSE(fill.working());
}

TEST_F(DescribeFillTest, KeepsTheDraftsCreatedTimeWhateverTheModelWrites) {
    const struct {
        const char* name;
        bool learned;
        std::optional<std::int64_t> created;
    } cases[] = {
        {"a new routine", false, 1'767'225'600'500},
        {"a learned one", true, std::nullopt},
    };
    for (const auto& one : cases) {
        const auto draft = one.learned ? learnedDraft() : newDraft();
        ASSERT_EQ(draft->edits().created, one.created) << one.name;
        DescribeFill fill(*draft, sources(&model));
        model.answer(idea(atNine, {"Zotero"}));
        fillWith(fill, "zotero at 9");
        EXPECT_EQ(draft->edits().name, "Desk") << one.name;
        EXPECT_EQ(draft->edits().created, one.created) << one.name;
    }
}

TEST_F(DescribeFillTest, EachSuccessReplacesTheNotesAndAFailureKeepsThem) {
    const auto draft = newDraft();
    DescribeFill fill(*draft, sources(&model));

    model.answer(idea(atNine, {"Slack", "Photoshop"}));
    fillWith(fill, "slack and photoshop at 9");
    EXPECT_EQ(fill.notes(), std::vector<std::string>{"Couldn't find an app called Photoshop."});
    EXPECT_EQ(fill.failure(), std::nullopt);
    const RoutineEdits filled = draft->edits();

    model.answer("Sure! Here is your routine.");
    fillWith(fill, "something odd");
    EXPECT_EQ(fill.failure(), std::string(DescribeFill::failureText));
    EXPECT_EQ(fill.notes(), std::vector<std::string>{"Couldn't find an app called Photoshop."});
    EXPECT_EQ(draft->edits(), filled) << "a failure leaves the draft alone";

    // A new fill hides the last failure at once, before anything is answered.
    model.hold();
    model.answer(idea(atNine, {"Slack"}));
    std::vector<DescribeFill::Property> heard;
    Subscription watching = fill.observe([&](DescribeFill::Property property) { heard.push_back(property); });
    ASSERT_TRUE(fill.fill());
    EXPECT_EQ(fill.failure(), std::nullopt);
    EXPECT_TRUE(fill.working());
    EXPECT_EQ(heard, (std::vector<DescribeFill::Property>{DescribeFill::Property::failure,
                                                          DescribeFill::Property::working}));
    time.settle();
    ASSERT_TRUE(model.release());
    time.settle();
    EXPECT_TRUE(fill.notes().empty()) << "a success without notes empties the earlier ones";
    EXPECT_EQ(fill.failure(), std::nullopt);
    EXPECT_FALSE(fill.working());
}

TEST_F(DescribeFillTest, EveryKindOfErrorEndsInTheSameSentence) {
    const struct {
        const char* name;
        std::function<void(SimulatedLanguageModel&)> script;
    } cases[] = {
        {"not JSON", [](SimulatedLanguageModel& m) { m.answer("no"); }},
        {"timed out", [](SimulatedLanguageModel& m) { m.fail(ModelError(ModelError::Kind::timedOut, "late")); }},
        {"nothing scripted", [](SimulatedLanguageModel&) {}},
        {"gone unavailable", [](SimulatedLanguageModel& m) { m.setAvailability(ModelAvailability::notReady); }},
    };
    for (const auto& one : cases) {
        SimulatedLanguageModel scripted(main);
        one.script(scripted);
        const auto draft = newDraft();
        const RoutineEdits before = draft->edits();
        DescribeFill fill(*draft, sources(&scripted));
        fillWith(fill, "slack");
        EXPECT_EQ(fill.failure(), std::string(DescribeFill::failureText)) << one.name;
        EXPECT_EQ(draft->edits(), before) << one.name;
    }
}

TEST_F(DescribeFillTest, AnUnusableModelShowsOnlyItsReason) {
    const struct {
        std::optional<ModelAvailability> probed; // none: no model on this machine
        bool usable;
    } cases[] = {
        {ModelAvailability::available, true},   {ModelAvailability::notEligible, false},
        {ModelAvailability::notEnabled, false}, {ModelAvailability::notReady, false},
        {ModelAvailability::other, false},      {std::nullopt, false},
    };
    for (const auto& one : cases) {
        SimulatedLanguageModel probed(main, one.probed.value_or(ModelAvailability::available));
        const auto draft = newDraft();
        DescribeFill fill(*draft, sources(one.probed ? &probed : nullptr));
        EXPECT_TRUE(fill.usable()) << "until a probe answers";
        EXPECT_EQ(fill.availability(), std::nullopt);
        fill.probe();
        time.settle();
        const ModelAvailability expected = one.probed.value_or(ModelAvailability::other);
        EXPECT_EQ(fill.availability(), expected);
        EXPECT_EQ(fill.usable(), one.usable);
        EXPECT_EQ(fill.unavailableReason(), OnDevice::unavailableReason(expected));
    }
}

TEST_F(DescribeFillTest, PassesTheNetworkAndConnectedDevicesOnlyWhenThereAreAny) {
    SimulatedMachine machine(MachineState::fromJSON(json::parse(R"({
      "displays": [
        {"id": "eDP-1", "name": "Built-in", "builtIn": true, "number": 1, "uuid": "9A1C0F52-7E3B-4C1D-8F0A-2B6D5E4C3A21",
         "frame": {"x": 0, "y": 0, "width": 1280, "height": 800}},
        {"id": "HDMI-1", "name": "DELL U2720Q", "number": 2, "uuid": "0F2C1A55-1B2C-4D3E-8F40-5A6B7C8D9E0F",
         "frame": {"x": 1280, "y": 0, "width": 2560, "height": 1440}}
      ]})")));
    const std::optional<Cue> none;
    const struct {
        const char* words;
        bool connected; // the network, the displays and audio given
        std::optional<Cue> cue;
        std::vector<std::string> notes;
    } cases[] = {
        {"when I get to the library", true, Cue{Cue::WiFi{"abc123", "Campus"}},
         {"It'll happen on the Campus Wi-Fi, the network you're on now."}},
        {"when I get to the library", false, none, {"Connect to the Wi-Fi there, then add it under When."}},
        {"when I plug in my monitor", true, Cue{Cue::Display{"0F2C1A55-1B2C-4D3E-8F40-5A6B7C8D9E0F", "DELL U2720Q"}},
         {}},
        {"when I plug in my monitor", false, none, {"Plug the display in, then add it under When."}},
    };
    for (const auto& one : cases) {
        const auto draft = newDraft();
        DescribeFill::Sources given = sources(&model);
        if (one.connected) {
            given.network = [] { return std::optional<PlaceSignal::Network>({"Campus", "abc123"}); };
            given.displays = &machine.displays();
            given.audio = &machine.audio();
        }
        DescribeFill fill(*draft, std::move(given));
        model.answer(idea(atNine, {}));
        fillWith(fill, one.words);
        EXPECT_EQ(draft->edits().cues, one.cue ? std::vector<Cue>{*one.cue} : std::vector<Cue>{}) << one.words;
        EXPECT_EQ(fill.notes(), one.notes) << one.words;
    }
}

TEST_F(DescribeFillTest, GoingAwayWhileAnythingIsPendingCallsNothingBack) {
    enum class Pending { scan, model, probe };
    for (const Pending pending : {Pending::scan, Pending::model, Pending::probe}) {
        SimulatedLanguageModel held(main);
        held.hold();
        held.answer(idea(atNine, {"Slack"}));
        const auto draft = newDraft();
        const RoutineEdits before = draft->edits();
        auto fill = std::make_unique<DescribeFill>(*draft, sources(&held));
        fill->setWords("slack at 9");
        if (pending == Pending::probe) {
            fill->probe();
        } else {
            ASSERT_TRUE(fill->fill());
        }
        if (pending == Pending::model) {
            time.settle();
            ASSERT_EQ(held.requests().size(), 1u);
        }
        fill.reset();
        time.settle();
        EXPECT_EQ(held.requests().size(), pending == Pending::model ? 1u : 0u)
            << "a scan that ends after the card asks nothing";
        EXPECT_EQ(held.release(), pending == Pending::model);
        time.settle();
        EXPECT_EQ(draft->edits(), before);
    }
}

} // namespace
} // namespace ostrel
