// What the editor's sections write into the draft: the moment menu, cue chips and the time
// picker, typed pages, everything open now and placements, apps put away and the How choices.

#include "app/editor/AlsoEdits.hpp"
#include "app/editor/MomentMenu.hpp"
#include "app/editor/OpensEdits.hpp"
#include "app/editor/TimeChoice.hpp"

#include "support/Items.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace ostrel {
namespace {

using test::app;
using test::ids;
using test::page;

std::vector<std::string> labels(const std::vector<MomentMenu::Entry>& entries) {
    std::vector<std::string> out;
    for (const auto& entry : entries) {
        out.push_back(entry.label);
    }
    return out;
}

class SectionEditsTest : public ::testing::Test {
protected:
    std::unique_ptr<RoutineDraft> learned(Routine routine) {
        return std::make_unique<RoutineDraft>(routine, std::vector<CalendarSeries>{}, false, calendar, settings,
                                              [](const std::string&) { return std::optional<std::string>(); });
    }
    std::unique_ptr<RoutineDraft> physics() {
        Routine routine{ContextKey::event("physics")};
        routine.items = {app("org.gnome.gedit"), app("org.mozilla.firefox")};
        return learned(routine);
    }

    const Calendar calendar{"Europe/Berlin", "en_US"};
    Settings settings{Settings::inMemory};
};

// MARK: - When

TEST_F(SectionEditsTest, TheMomentMenuOfABareMachineHoldsTwoEntries) {
    const auto menu = MomentMenu::entries({}, std::nullopt, {}, {});
    EXPECT_EQ(labels(menu), (std::vector<std::string>{"At a time\u2026", "When you open an app\u2026"}));
    EXPECT_EQ(menu[0].cue, MomentMenu::defaultTime());
    EXPECT_TRUE(menu[1].picksApp);
    EXPECT_FALSE(menu[1].cue);
}

TEST_F(SectionEditsTest, TheMomentMenuListsWhatIsThereNow) {
    const std::vector<CalendarSeries> series = {{"k-b", "b", 0}, {"k-B", "B", 0}, {"k-a", "a", 0}, {"k-a2", "a", 0}};
    const auto menu = MomentMenu::entries(series, PlaceSignal::Network{"Campus", "hash1"},
                                          {{"uuid-1", "Dell U2720Q"}}, {{"uid-1", "Headset", "usb"}});
    EXPECT_EQ(labels(menu), (std::vector<std::string>{"At a time\u2026", "When a class starts", "On this Wi-Fi (Campus)",
                                                      "When Dell U2720Q is plugged in", "When Headset connects",
                                                      "When you open an app\u2026"}));
    EXPECT_EQ(labels(menu[1].submenu), (std::vector<std::string>{"B", "a", "a", "b"}));
    EXPECT_EQ(menu[1].submenu[1].cue, Cue{Cue::Event{"k-a"}}) << "equal titles keep their order";
    EXPECT_EQ(menu[1].submenu[2].cue, Cue{Cue::Event{"k-a2"}});
    EXPECT_EQ(menu[2].cue, (Cue{Cue::WiFi{"hash1", "Campus"}}));
    EXPECT_EQ(menu[3].cue, (Cue{Cue::Display{"uuid-1", "Dell U2720Q"}}));
    EXPECT_EQ(menu[4].cue, (Cue{Cue::AudioDevice{"uid-1", "Headset"}}));
}

TEST_F(SectionEditsTest, CuesAreRemovedAndReplacedByPositionWithinBounds) {
    const auto draft = physics();
    const Cue a{Cue::App{"a"}}, b{Cue::App{"b"}}, c{Cue::App{"c"}};
    for (const Cue& cue : {a, b, c}) {
        draft->add(cue);
    }
    draft->add(a);
    EXPECT_EQ(draft->edits().cues.size(), 3U) << "an equal cue is not added twice";
    draft->removeCue(1);
    EXPECT_EQ(draft->edits().cues, (std::vector<Cue>{a, c}));
    for (const std::ptrdiff_t outside : {-1, 2, 99}) {
        draft->removeCue(outside);
        draft->replaceCue(outside, b);
    }
    EXPECT_EQ(draft->edits().cues, (std::vector<Cue>{a, c}));
    draft->replaceCue(1, b);
    EXPECT_EQ(draft->edits().cues, (std::vector<Cue>{a, b}));
}

TEST_F(SectionEditsTest, ADefaultTimeIsAddedAgainOnlyAfterItChanged) {
    const auto draft = physics();
    draft->add(MomentMenu::defaultTime());
    draft->add(MomentMenu::defaultTime());
    ASSERT_EQ(draft->edits().cues.size(), 1U);
    draft->replaceCue(0, Cue{Cue::Time{{2, 3}, 540}});
    draft->add(MomentMenu::defaultTime());
    EXPECT_EQ(draft->edits().cues.size(), 2U);
}

TEST_F(SectionEditsTest, TheTimePickerWritesDaysSortedAndTimesInItsOwnOrder) {
    TimeChoice choice(Cue::Time{{2, 3, 4, 5, 6}, 540});
    EXPECT_EQ(choice.toggle(1), (Cue::Time{{1, 2, 3, 4, 5, 6}, 540})) << "Sunday on";
    EXPECT_EQ(choice.setTime(7, 30), (Cue::Time{{2, 3, 4, 5, 6, 1}, 450}));
    EXPECT_EQ(choice.setTime(0, 5).minute, 5);
    EXPECT_EQ(choice.toggle(3), (Cue::Time{{1, 2, 4, 5, 6}, 5}));
    EXPECT_FALSE(choice.isOn(3));

    TimeChoice last(Cue::Time{{4, 4}, 60});
    EXPECT_EQ(last.toggle(4), (Cue::Time{{}, 60})) << "every copy goes and no day is left";
}

// MARK: - Opens

TEST_F(SectionEditsTest, ATypedPageIsAddedWhenItIsAWebAddress) {
    struct Case {
        std::string typed;
        OpensEdits::PageOutcome outcome;
        std::string added;
    };
    using enum OpensEdits::PageOutcome;
    const Case cases[] = {
        {"  uni.example/calc \n", added, "https://uni.example/calc"},
        {"http://uni.example/a", added, "http://uni.example/a"},
        {"HTTPS://Uni.example", added, "HTTPS://Uni.example"},
        {" \t\n", ignored, ""},
        {"", ignored, ""},
        {"file:///etc/passwd", refused, ""},
        {"mailto://someone@uni.example", refused, ""},
        {"javascript://uni.example/%0Aalert(1)", refused, ""},
        {"https://", refused, ""},
        {"uni example", refused, ""},
        {"https:///path", refused, ""},
    };
    for (const Case& c : cases) {
        const auto draft = physics();
        EXPECT_EQ(OpensEdits::addPage(*draft, c.typed), c.outcome) << c.typed;
        if (c.outcome == added) {
            EXPECT_EQ(ids(draft->edits().added), (std::vector<std::string>{"page:" + c.added})) << c.typed;
        } else {
            EXPECT_TRUE(draft->edits().added.empty()) << c.typed;
        }
    }
}

TEST_F(SectionEditsTest, EverythingOpenNowKeepsChosenPlacements) {
    const auto draft = physics();
    OpensEdits::setPlacement(*draft, "org.gnome.gedit", RoutineEdits::Placement::left());
    RoutineEdits now;
    now.added = {app("org.gnome.gedit"), app("org.gnome.Terminal")};
    const auto frame = RoutineEdits::Placement::frame({0, 0, 800, 600});
    now.layout = {{"org.gnome.gedit", frame}, {"org.gnome.Terminal", frame}};
    OpensEdits::mergeOpenNow(*draft, now);
    EXPECT_EQ(ids(draft->items()), (std::vector<std::string>{"app:org.gnome.gedit", "app:org.mozilla.firefox",
                                                              "app:org.gnome.Terminal"}));
    EXPECT_EQ(draft->edits().layout.at("org.gnome.gedit"), RoutineEdits::Placement::left());
    EXPECT_EQ(draft->edits().layout.at("org.gnome.Terminal"), frame);

    OpensEdits::setPlacement(*draft, "org.gnome.gedit", std::nullopt);
    EXPECT_FALSE(draft->edits().layout.contains("org.gnome.gedit"));
    EXPECT_EQ(OpensEdits::symbol(frame), "macwindow");
    EXPECT_EQ(OpensEdits::symbol(RoutineEdits::Placement::right()), "rectangle.righthalf.filled");
}

// MARK: - Puts away, Also, How

TEST_F(SectionEditsTest, PutAwayOffersOnlyWhatIsNotListed) {
    const auto draft = physics();
    const std::vector<std::string> running = {"org.gnome.gedit", "com.discordapp.Discord"};
    AlsoEdits::putAway(*draft, "com.discordapp.Discord");
    EXPECT_EQ(AlsoEdits::putAwayOffers(*draft, running), (std::vector<std::string>{"org.gnome.gedit"}));
    AlsoEdits::putAway(*draft, "com.discordapp.Discord");
    EXPECT_EQ(draft->edits().putAway.size(), 2U) << "a picked app is appended even when listed";
    AlsoEdits::keepOut(*draft, "com.discordapp.Discord");
    EXPECT_TRUE(draft->edits().putAway.empty());
    EXPECT_EQ(AlsoEdits::putAwayOffers(*draft, running), running);
}

TEST_F(SectionEditsTest, SetUpByItselfLeavesAnUnsetModeUnset) {
    using Mode = RoutineEdits::Mode;
    const auto draft = physics();
    int changes = 0;
    const Subscription watching = draft->observe([&](RoutineDraft::Property) { ++changes; });
    EXPECT_EQ(AlsoEdits::shownMode(draft->edits().mode), Mode::automatic);
    AlsoEdits::chooseMode(*draft, Mode::automatic);
    EXPECT_FALSE(draft->edits().mode);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(AlsoEdits::modeDetail(draft->edits().mode),
              "When you open the Mac, or at a moment you picked, it just happens. You can always undo.");
    AlsoEdits::chooseMode(*draft, Mode::off);
    EXPECT_EQ(draft->edits().mode, Mode::off);
    EXPECT_EQ(AlsoEdits::modeDetail(draft->edits().mode), "Ostrel keeps it, but never sets it up.");
    AlsoEdits::chooseMode(*draft, Mode::automatic);
    EXPECT_EQ(draft->edits().mode, Mode::automatic);
    AlsoEdits::chooseMode(*draft, Mode::ask);
    EXPECT_EQ(AlsoEdits::modeDetail(draft->edits().mode), "A cloud asks first: Set up, or Not now.");
}

} // namespace
} // namespace ostrel
