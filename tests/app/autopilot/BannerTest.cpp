// The banner in virtual time on a recording surface: the order in which a question closes, runs its
// answer or its unanswered action and tells the mascot; and the texts it shows, in pinned locales.

#include "app/autopilot/Banner.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/Items.hpp"
#include "support/RecordingSurface.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::app;
using test::document;
using test::note;
using test::page;
using test::RecordingSurface;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class BannerTest : public ::testing::Test {
protected:
    BannerTest() {
        banner->setQuestionShowing([this](bool showing) { log.push_back(showing ? "question" : "no question"); });
    }

    Banner::Action note(const std::string& text) {
        return [this, text] { log.push_back(text); };
    }

    // A question whose buttons are wrapped as answers, with the given unanswered action.
    void ask(const std::string& title, double timeout) {
        Banner::View view;
        view.title = title;
        view.detail = "Detail of " + title;
        view.primary = Banner::Button{"Set up", banner->answered(note("yes " + title))};
        view.secondary = Banner::Button{"Not now", banner->answered(note("no " + title))};
        banner->show(std::move(view), timeout, note("unanswered " + title));
    }

    void report(const std::string& title, double timeout) {
        Banner::View view;
        view.title = title;
        view.secondary = Banner::Button{"Undo", note("undo " + title)};
        banner->show(std::move(view), timeout);
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    std::vector<std::string> log;
    RecordingSurface surface{log};
    std::unique_ptr<Banner> banner = std::make_unique<Banner>(surface, main);
};

TEST_F(BannerTest, AReplacedQuestionIsUnansweredOnceBeforeItCloses) {
    ask("first", 30);
    time.advance(10);
    log.clear();
    ask("second", 30);
    EXPECT_THAT(log, ElementsAre("unanswered first", "hide", "no question", "present second", "question"));

    log.clear();
    time.advance(25); // past the first one's time-out, not the second's
    EXPECT_THAT(log, IsEmpty());
    time.advance(5);
    EXPECT_THAT(log, ElementsAre("hide", "no question", "unanswered second"));
    EXPECT_FALSE(banner->isShowing());
}

TEST_F(BannerTest, AnAnsweredQuestionNeverRunsItsUnansweredAction) {
    for (const auto& [which, answer] : {std::pair{Banner::Which::primary, "yes q"},
                                        std::pair{Banner::Which::secondary, "no q"}}) {
        SCOPED_TRACE(answer);
        ask("q", 30);
        log.clear();
        banner->press(which);
        EXPECT_THAT(log, ElementsAre("hide", "no question", answer));
        EXPECT_FALSE(banner->isShowing());

        // Neither the time-out nor the next banner brings the unanswered action back.
        log.clear();
        time.advance(60);
        report("next", 10);
        banner->press(which); // a stale press reaches the next banner's button, if it has that one
        time.advance(60);
        EXPECT_THAT(log, ::testing::Not(::testing::Contains("unanswered q")));
        log.clear();
    }
}

TEST_F(BannerTest, TheTimeOutClosesThenRunsTheUnansweredAction) {
    ask("q", 30);
    log.clear();
    time.advance(29.9);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_TRUE(banner->isQuestionPending());
    time.advance(0.1);
    EXPECT_THAT(log, ElementsAre("hide", "no question", "unanswered q"));
    EXPECT_FALSE(banner->isQuestionPending());

    // Gone for good: a later banner does not run it again.
    log.clear();
    report("done", 10);
    EXPECT_THAT(log, ElementsAre("no question", "present done", "no question"));
}

TEST_F(BannerTest, TheHookIsToldWhetherAQuestionIsUp) {
    ask("q", 30);
    EXPECT_THAT(log, ElementsAre("no question", "present q", "question"));
    EXPECT_TRUE(banner->isQuestionPending());

    log.clear();
    banner->dismiss();
    report("r", 10); // replaces the dismissed question: its unanswered action runs now
    EXPECT_THAT(log, ElementsAre("hide", "no question", "unanswered q", "no question", "present r", "no question"));
    EXPECT_TRUE(banner->isShowing());
    EXPECT_FALSE(banner->isQuestionPending());
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(surface.showing->secondary, "Undo");
    EXPECT_FALSE(surface.showing->primary);

    log.clear();
    banner->dismiss();
    EXPECT_THAT(log, ElementsAre("hide", "no question"));
}

TEST_F(BannerTest, ADismissedQuestionKeepsItsUnansweredActionForTheNextBanner) {
    ask("q", 30);
    banner->dismiss();
    log.clear();
    time.advance(120); // the time-out was stopped with it
    EXPECT_THAT(log, IsEmpty());
    report("r", 10);
    report("s", 10);
    EXPECT_EQ(std::count(log.begin(), log.end(), "unanswered q"), 1);
}

TEST_F(BannerTest, AnOfferClosesBeforeItsActionAndDeclineOnlyCloses) {
    banner->offer("Save this setup?", "For Chemistry", "Save", "Not now", note("saved"));
    ASSERT_TRUE(surface.showing);
    EXPECT_EQ(*surface.showing, (BannerContent{"Save this setup?", "For Chemistry", "Save", "Not now"}));
    log.clear();
    banner->press(Banner::Which::primary);
    EXPECT_THAT(log, ElementsAre("hide", "no question", "saved"));

    banner->offer("Save this setup?", "", "Save", "Not now", note("saved"));
    log.clear();
    banner->press(Banner::Which::secondary);
    EXPECT_THAT(log, ElementsAre("hide", "no question"));

    banner->offer("Save this setup?", "", "Save", "Not now", note("saved"));
    log.clear();
    time.advance(Banner::offerTimeout - 1);
    EXPECT_TRUE(banner->isShowing());
    time.advance(1);
    EXPECT_THAT(log, ElementsAre("hide", "no question"));
}

TEST_F(BannerTest, AnActionMayPutUpTheNextBanner) {
    Banner::View view;
    view.title = "q";
    view.primary = Banner::Button{"Set up", banner->answered([this] { report("done", 10); })};
    banner->show(std::move(view), 30, note("unanswered q"));
    log.clear();
    banner->press(Banner::Which::primary);
    EXPECT_THAT(log, ElementsAre("hide", "no question", "no question", "present done", "no question"));
    ASSERT_TRUE(banner->content());
    EXPECT_EQ(banner->content()->title, "done");
}

TEST_F(BannerTest, PressesWithoutABannerOrButtonDoNothing) {
    banner->press(Banner::Which::primary);
    report("r", 10);
    log.clear();
    banner->press(Banner::Which::primary); // a result has no primary button
    EXPECT_THAT(log, IsEmpty());
    banner->press(Banner::Which::secondary);
    EXPECT_THAT(log, ElementsAre("undo r")); // a result's button does not close it by itself
}

TEST_F(BannerTest, NothingRunsOnceTheBannerIsGone) {
    ask("q", 30);
    Banner::Action answer = banner->answered(note("late"));
    log.clear();
    banner.reset();
    EXPECT_THAT(log, ElementsAre("hide")); // its buttons would lead nowhere
    EXPECT_FALSE(surface.showing);
    time.advance(60);
    answer();
    EXPECT_THAT(log, ElementsAre("hide"));
}

TEST_F(BannerTest, AnUnansweredActionThatPutsUpABannerIsReplacedInTurn) {
    Banner::View view;
    view.title = "first";
    view.primary = Banner::Button{"Set up", {}};
    banner->show(std::move(view), 30, [this] {
        log.push_back("unanswered first");
        ask("nested", 30);
    });
    log.clear();
    ask("outer", 30);
    EXPECT_THAT(log, ElementsAre("unanswered first", "hide", "no question", "present nested", "question",
                                 "unanswered nested", "hide", "no question", "present outer", "question"));
    ASSERT_TRUE(banner->content());
    EXPECT_EQ(banner->content()->title, "outer");

    log.clear();
    time.advance(30);
    EXPECT_THAT(log, ElementsAre("hide", "no question", "unanswered outer"));
}

TEST_F(BannerTest, WithoutATimeOutItStaysUntilAnswered) {
    ask("q", std::numeric_limits<double>::infinity());
    time.advance(86'400);
    EXPECT_TRUE(banner->isQuestionPending());
}

// ---- Texts ----

class BannerTextTest : public ::testing::Test {
protected:
    BannerTextTest() {
        for (const auto& [id, name] : {std::pair{"org.example.Alpha", "Alpha"}, std::pair{"org.example.Beta", "Beta"},
                                       std::pair{"org.example.Gamma", "Gamma"},
                                       std::pair{"org.example.Delta", "Delta"}}) {
            MachineState::InstalledApp installed;
            installed.appID = id;
            installed.name = name;
            machine.installApp(installed);
        }
        MachineState::InstalledApp nameless;
        nameless.appID = "org.example.Nameless";
        machine.installApp(nameless);
    }

    SimulatedMachine machine;
    Workspace& workspace = machine.workspace();
};

TEST_F(BannerTextTest, NamesListsInTheLocalesWay) {
    const Item alpha = app("org.example.Alpha");
    const Item beta = app("org.example.Beta");
    const Item gamma = app("org.example.Gamma");
    const Item delta = app("org.example.Delta");
    struct Case {
        std::vector<Item> items;
        std::string locale;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, "en_US", ""},
        {{alpha}, "en_US", "Alpha"},
        {{alpha, beta}, "en_US", "Alpha and Beta"},
        {{alpha, beta, gamma}, "en_US", "Alpha, Beta, and Gamma"},
        {{alpha, beta, gamma}, "en_GB", "Alpha, Beta and Gamma"},
        {{alpha, beta, gamma, delta}, "en_US", "Alpha, Beta, Gamma, and 1 more"},
        {{alpha, beta, gamma, delta, alpha}, "en_GB", "Alpha, Beta, Gamma and 2 more"},
        {{app("org.example.Missing"), app("org.example.Nameless")}, "en_US",
         "org.example.Missing and org.example.Nameless"},
        {{page("https://zoom.us/j/123456789"), page("https://school.example.org/chem")}, "en_US",
         "the video call and a class page"},
        {{document("/home/student/Chemistry/Lab report.odt"), note("Reading list")}, "en_US",
         "Lab report.odt and Reading list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Banner::names(c.items, workspace, c.locale), c.expected);
    }
}

TEST_F(BannerTextTest, SummaryJoinsWhatTheRunDid) {
    const auto run = [](std::vector<Item> opened, std::vector<std::string> hid, bool muted, bool placed) {
        SetupRunner::Run made;
        made.opened = std::move(opened);
        int pid = 3000;
        for (const std::string& id : hid) {
            made.hid.push_back(AppInstance{pid++, id, 1});
        }
        if (muted) {
            made.wasMuted = false;
        }
        if (placed) {
            made.routine.edits.layout.emplace("org.example.Alpha", RoutineEdits::Placement::left());
        }
        return made;
    };
    const std::vector<std::string> fourNamed = {"org.example.Alpha", "org.example.Beta", "org.example.Gamma",
                                                "org.example.Delta"};
    struct Case {
        SetupRunner::Run run;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {run({}, {}, false, false), ""},
        {run({}, {}, true, false), "Muted the Mac"},
        {run({}, {}, false, true), "Placed your windows"},
        {run({app("org.example.Alpha"), app("org.example.Beta")}, fourNamed, false, false),
         "Opened Alpha and Beta and put away 4 apps"},
        {run({page("https://meet.google.com/abc-defg-hij"), app("org.example.Missing")}, fourNamed, false, false),
         "Opened the video call and org.example.Missing and put away 4 apps"},
        {run({app("org.example.Alpha")}, {}, true, true), "Opened Alpha, placed your windows, and muted the Mac"},
        {run({}, {"org.example.Beta", "org.example.Gamma"}, false, false), "Put away Beta and Gamma"},
        // Apps without a name are left out of the list; when none has one their count stands in.
        {run({}, {"org.example.Beta", "org.example.Nameless"}, false, false), "Put away Beta"},
        {run({}, {"org.example.Nameless", "org.example.Missing"}, true, false), "Muted the Mac and put away 2 apps"},
        {run({}, {"org.example.Missing"}, false, false), "Put away 1 app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Banner::summary(c.run, workspace, "en_US"), c.expected);
    }
}

TEST_F(BannerTextTest, AnUnreadableLocaleIsAnError) {
    EXPECT_THROW(Banner::names({app("org.example.Alpha")}, workspace, "en_US@=x"), BannerTextError);
}

} // namespace
} // namespace ostrel
