#include "core/routines/Phrases.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Phrases::Moment;

TEST(Phrases, MomentTriesTheListsInOrder) {
    const struct {
        const char* text;
        std::optional<Moment> expected;
    } cases[] = {
        {"When I plug in my headphones", Moment::display}, // displays are tried first
        {"when my AirPods connect", Moment::headphones},
        {"At 9am at the library", Moment::arriving}, // arriving before time
        {"every weekday when I open Notes", Moment::openApp},
        {"Mondays at 9:30", Moment::time},
        {"9 PM", Moment::time},
        {"every evening", Moment::time},
        {"at noon", Moment::time},
        {"when I'm in the lab", Moment::arriving},
        {"working in the dorm", Moment::arriving},
        {"when I open", std::nullopt}, // the verb needs a following blank
        {"Dockside study", Moment::display},
        {"at 10", Moment::time},
        {"at 100", std::nullopt},
        {"", std::nullopt},
        {"EVERY MORNING", Moment::time},
        {"ÉVERY MORNING", std::nullopt}, // lower-cased, not folded: "évery" is no "every"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Phrases::moment(c.text), c.expected) << c.text;
    }
}

TEST(Phrases, HiddenFollowsTheFirstVerbUpToOpen) {
    const struct {
        const char* text;
        std::vector<std::string> names;
        std::vector<std::string> expected;
    } cases[] = {
        {"Hide Slack and Mail, then open Notes", {"Notes", "Mail", "Slack"}, {"Slack", "Mail"}},
        {"Open Notes and quit Slack", {"Notes", "Slack"}, {"Slack"}},
        {"close my gmail tab", {"Mail"}, {"Mail"}}, // a name inside a longer word counts
        {"minimize Music and music", {"music", "Music"}, {"music", "Music"}}, // same position: given order
        {"hide everything", {"Slack"}, {}},
        {"", {"Slack"}, {}},
        {"nothing to put away here", {"here"}, {"here"}},
        {"hideous Slack", {"Slack"}, {}},         // "hide" must be a whole word
        {"quit Slack", {"", "Slack"}, {"Slack"}}, // an empty name never matches
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Phrases::hidden(c.text, c.names), c.expected) << c.text;
    }
}

TEST(Phrases, PlacesWindowsLooksForPlainWords) {
    EXPECT_TRUE(Phrases::placesWindows("alright, set it up"));
    EXPECT_TRUE(Phrases::placesWindows("Notes and Safari SIDE BY SIDE"));
    EXPECT_TRUE(Phrases::placesWindows("maximise the editor"));
    EXPECT_FALSE(Phrases::placesWindows("open Notes"));
    EXPECT_FALSE(Phrases::placesWindows(""));
}

} // namespace
} // namespace ostrel
