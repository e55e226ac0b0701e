// What a routine row says besides its name: seen and confidence, the moments, the trust badge.

#include "app/home/RoutineRowText.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "support/Items.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using RoutineRowText::Badge;
using RoutineRowText::BadgeColour;
using RoutineRowText::Moment;

// ICU writes a narrow no-break space before the English day period.
const std::string nnbsp = "\u202F";

Routine learned(ContextKey key, int support, double confidence) {
    Routine routine{std::move(key)};
    routine.support = support;
    routine.confidence = confidence;
    return routine;
}

TEST(RoutineRowTextTest, SeenCountsTheEpisodesAndRoundsTheConfidenceHalvesAway) {
    const struct {
        Routine routine;
        std::string text;
    } cases[] = {
        {learned(ContextKey::event("maths"), 1, 1.0), "Seen once, confidence 100%"},
        {learned(ContextKey::event("maths"), 12, 0.345), "Seen 12 times, confidence 35%"},
        {learned(ContextKey::slot(2, 19, "unknown"), 3, 0.125), "Seen 3 times, confidence 13%"},
        {learned(ContextKey::title("fair"), 3, 0.667), "Seen 3 times, confidence 67%"},
        {learned(ContextKey::event("maths"), 0, 0.0), "Seen 0 times, confidence 0%"},
        {learned(ContextKey::event("maths"), 2, 0.994), "Seen 2 times, confidence 99%"},
        {learned(ContextKey::event("maths"), 2, 0.995), "Seen 2 times, confidence 100%"},
        {learned(ContextKey::event("maths"), 2, std::numeric_limits<double>::quiet_NaN()),
         "Seen 2 times, confidence 0%"},
        // A made routine says nothing of support or confidence, whatever they hold.
        {learned(ContextKey::made("A1"), 0, 1.0), "You made this"},
        {learned(ContextKey::made("A1"), 1, 0.5), "You made this"},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(RoutineRowText::seenText(one.routine), one.text) << one.routine.key.id();
    }
}

TEST(RoutineRowTextTest, TheBadgeFollowsTheModeThenTheTrustAndTheDemotion) {
    using Mode = RoutineEdits::Mode;
    const Badge automatic{"Sets up by itself", BadgeColour::leaf, 0.35};
    const Badge asks{"Asks first", BadgeColour::sun, 0.6};
    const Badge off{"Off", BadgeColour::horizon, 1.0};
    const Badge learning{"Still learning", BadgeColour::horizon, 1.0};
    const struct {
        std::optional<Mode> mode;
        TrustLevel trust;
        bool demoted;
        Badge badge;
    } cases[] = {
        {Mode::automatic, TrustLevel::observe, true, automatic},
        {Mode::ask, TrustLevel::automate, false, asks},
        {Mode::off, TrustLevel::automate, false, off},
        {Mode::off, TrustLevel::suggest, true, off},
        {std::nullopt, TrustLevel::observe, false, learning},
        {std::nullopt, TrustLevel::observe, true, learning},
        {std::nullopt, TrustLevel::suggest, true, asks},
        {std::nullopt, TrustLevel::automate, true, asks},
        {std::nullopt, TrustLevel::suggest, false, automatic},
        {std::nullopt, TrustLevel::automate, false, automatic},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(RoutineRowText::trustBadge(one.trust, one.mode, one.demoted), one.badge)
            << (one.mode ? toString(*one.mode) : "no mode") << " " << toString(one.trust) << " "
            << one.demoted;
    }
}

class RoutineMomentsTest : public ::testing::Test {
protected:
    RoutineMomentsTest() {
        MachineState::InstalledApp code;
        code.appID = "code.desktop";
        code.name = "Visual Studio Code";
        machine.installApp(code);
    }

    std::vector<Moment> momentsOf(const Routine& routine) {
        return RoutineRowText::moments(routine, series, schedules, calendar, machine.workspace(),
                                       networkName);
    }

    SimulatedMachine machine;
    const Calendar calendar{"Europe/Berlin", "en_US"};
    const std::vector<CalendarSeries> series{{"physics", "Physics", 0}, {"maths", "Maths", 0}};
    const std::map<std::string, SeriesSchedule> schedules{
        {"physics", {{3, 5}, 615, "Room 1.01"}},
        {"maths", {{2}, 540, std::nullopt}},
    };
    // The machine is on the network whose hash is "home-hash" now.
    const Wording::NetworkName networkName = [](const std::string& hash) -> std::optional<std::string> {
        return hash == "home-hash" ? std::optional<std::string>("eduroam") : std::nullopt;
    };
};

Routine withEdits(ContextKey key, bool learnedWhen, std::vector<Cue> cues) {
    Routine routine{std::move(key)};
    routine.edits.learnedWhen = learnedWhen;
    routine.edits.cues = std::move(cues);
    return routine;
}

TEST_F(RoutineMomentsTest, TheLearnedMomentComesFirstThenEachCueInItsOrder) {
    const std::string monday = "Mondays around 9:30" + nnbsp + "AM";
    const Cue time{Cue::Time{{2, 3, 4, 5, 6}, 480}};
    const Cue wifi{Cue::WiFi{"abc", "Campus"}};
    const Cue display{Cue::Display{"uuid-1", "DELL U2720Q"}};
    const Cue audio{Cue::AudioDevice{"uid-1", "AirPods"}};
    const Cue app{Cue::App{"code.desktop"}};
    const Cue physics{Cue::Event{"physics"}};
    const struct {
        const char* what;
        Routine routine;
        std::vector<Moment> moments;
    } cases[] = {
        {"a class with its schedule and place",
         withEdits(ContextKey::event("physics"), true, {}),
         {{"calendar", "Tue and Thu at 10:15" + nnbsp + "AM"}, {"mappin", "Room 1.01"}}},
        {"a class meeting nowhere in particular",
         withEdits(ContextKey::event("maths"), true, {}),
         {{"calendar", "Mon at 9:00" + nnbsp + "AM"}}},
        {"a class without a schedule",
         withEdits(ContextKey::event("chemistry"), true, {}),
         {{"calendar", "When it starts on your calendar"}}},
        {"a one-off event",
         withEdits(ContextKey::title("career fair"), true, {}),
         {{"calendar", "When it's on your calendar"}}},
        {"a slot on the network the machine is on",
         withEdits(ContextKey::slot(2, 19, "wifi:home-hash"), true, {}),
         {{"clock", monday}, {"wifi", "On eduroam"}}},
        {"a slot on another network",
         withEdits(ContextKey::slot(2, 19, "wifi:other"), true, {}),
         {{"clock", monday}, {"wifi", "On a Wi-Fi network you use"}}},
        {"a slot at a place",
         withEdits(ContextKey::slot(2, 19, "place:52.45,13.29"), true, {}),
         {{"clock", monday}, {"mappin", "At a place you often are"}}},
        {"a slot at no known place",
         withEdits(ContextKey::slot(2, 19, "unknown"), true, {}),
         {{"clock", monday}}},
        {"every kind of cue after the learned moment",
         withEdits(ContextKey::event("maths"), true, {time, wifi, display, audio, app, physics}),
         {{"calendar", "Mon at 9:00" + nnbsp + "AM"},
          {"clock", "Weekdays at 8:00" + nnbsp + "AM"},
          {"wifi", "On the Campus Wi-Fi"},
          {"display", "When DELL U2720Q is plugged in"},
          {"headphones", "When AirPods connects"},
          {"app", "When you open Visual Studio Code"},
          {"calendar", "When Physics starts"}}},
        {"the learned moment switched off",
         withEdits(ContextKey::event("physics"), false, {audio, wifi}),
         {{"headphones", "When AirPods connects"}, {"wifi", "On the Campus Wi-Fi"}}},
        {"nothing left",
         withEdits(ContextKey::slot(2, 19, "unknown"), false, {}),
         {{"hand.tap", "Only when you choose Set up now"}}},
        {"a made routine without cues",
         withEdits(ContextKey::made("A1"), true, {}),
         {{"hand.tap", "Only when you choose Set up now"}}},
        {"a made routine with cues",
         withEdits(ContextKey::made("A1"), true, {app, time}),
         {{"app", "When you open Visual Studio Code"}, {"clock", "Weekdays at 8:00" + nnbsp + "AM"}}},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(momentsOf(one.routine), one.moments) << one.what;
    }
}

} // namespace
} // namespace ostrel
