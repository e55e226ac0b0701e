// The browser source from the browser's script answer to the stored row, and its permission flow.

#include "app/signals/BrowserSignal.hpp"
#include "core/browsing/TabPayload.hpp"
#include "core/episodes/Trigger.hpp"
#include "support/LogCapture.hpp"
#include "support/ObserverWorld.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::ObserverWorld;
using Permission = MachineState::Permission;

const std::string chrome = "com.google.Chrome";
const std::string safari = "com.apple.Safari";
const std::set<Signal> tabs{Signal::browserTab};

MachineState::Window browserWindow(std::string title) {
    MachineState::Window window;
    window.title = std::move(title);
    window.frame = Rect{0, 0, 1200, 800};
    return window;
}

MachineState machineWithBrowsers() {
    MachineState state = MachineState::withOwnApp();
    state.installed.push_back({chrome, "Google Chrome", "/opt/google/chrome", true, {browserWindow("New Tab")}});
    state.installed.push_back({safari, "Safari", "/Applications/Safari.app", true, {browserWindow("Start")}});
    state.installed.push_back({"org.gnome.TextEditor", "Text Editor", "/usr/bin/gnome-text-editor", true,
                               {browserWindow("notes.txt")}});
    state.installed.push_back({"org.mozilla.firefox", "Firefox", "/usr/lib/firefox", true, {browserWindow("Home")}});
    state.automation[chrome] = {Permission::granted, Permission::granted, std::nullopt};
    state.automation[safari] = {Permission::granted, Permission::granted, std::nullopt};
    return state;
}

class BrowserSignalTest : public ::testing::Test {
protected:
    BrowserSignalTest() { world.startWriterOnly(); }

    BrowserSignal& startSource() {
        source = std::make_unique<BrowserSignal>(world.machine.scripting(), world.machine.workspace(),
                                                 world.machine.accessibility(), world.store, world.writer(),
                                                 SiteExclusionList::defaultList(), world.runtime.clock(),
                                                 world.runtime.main(), world.runtime.worker());
        source->start();
        world.settle();
        return *source;
    }

    std::vector<std::string> rows() { return world.rows(tabs); }

    void show(const std::string& browser, std::string url, std::string title = "Page", bool isPrivate = false) {
        world.machine.showTab(browser, {std::move(url), std::move(title), isPrivate});
    }

    // The current time plus seconds, in milliseconds.
    std::int64_t millisecondsFromNow(double seconds) {
        return *truncatedMilliseconds(world.runtime.clock().now() + seconds);
    }

    ObserverWorld world{machineWithBrowsers()};
    std::unique_ptr<BrowserSignal> source;
};

TEST_F(BrowserSignalTest, ScriptsAreTheFamiliesTemplatesAndNoOtherAppGetsOne) {
    EXPECT_EQ(BrowserSignal::scriptSource(safari),
              "with timeout of 2 seconds\n"
              "    tell application id \"com.apple.Safari\"\n"
              "        if (count of windows) is 0 then return \"\"\n"
              "        return (name of front window) & linefeed & (URL of current tab of front window)\n"
              "    end tell\n"
              "end timeout");
    EXPECT_EQ(BrowserSignal::scriptSource("com.brave.Browser"),
              "with timeout of 2 seconds\n"
              "    tell application id \"com.brave.Browser\"\n"
              "        if (count of windows) is 0 then return \"\"\n"
              "        if mode of front window is \"incognito\" then return \"private\"\n"
              "        return URL of active tab of front window\n"
              "    end tell\n"
              "end timeout");
    for (const std::string& other : {"org.mozilla.firefox", "", "com.google.Chrome\" to quit", "Safari"}) {
        EXPECT_EQ(BrowserSignal::scriptSource(other), std::nullopt) << other;
    }
}

TEST_F(BrowserSignalTest, TheFrontTabIsWrittenOnceAndAgainAfterLeavingOrANoWindowSpell) {
    show(chrome, "https://www.khanacademy.org/math?x=1");
    world.machine.launch(chrome);
    BrowserSignal& browser = startSource();
    EXPECT_THAT(rows(), ElementsAre(R"(browser.tab {"site":"khanacademy.org"})"));
    EXPECT_EQ(world.machine.scriptsRun(), std::vector<std::string>{*BrowserSignal::scriptSource(chrome)});

    browser.readFrontTab();
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 1u) << "the same tab read again is not written again";

    const int editor = world.machine.launch("org.gnome.TextEditor");
    world.settle();
    world.machine.activate(world.machine.state().findAppByID(chrome)->pid);
    world.settle();
    EXPECT_EQ(rows().size(), 2u) << "leaving the browser resets the filter";

    world.machine.closeTabs(chrome);
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 2u) << "no window writes nothing";
    show(chrome, "https://www.khanacademy.org/math");
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 3u) << "and resets the filter";

    // A tab read while another app is in front goes nowhere.
    world.machine.activate(editor);
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(BrowserSignalTest, PrivateWindowsAndASafariTitleMismatchWriteOnlyOneExcludedRow) {
    show(chrome, "https://secret.example/x", "Secret", true);
    world.machine.launch(chrome);
    BrowserSignal& browser = startSource();
    browser.readFrontTab();
    world.settle();
    EXPECT_THAT(rows(), ElementsAre(R"(browser.tab {"excluded":true})"));

    // Safari's script names its front window "Lecture"; the focused window is titled otherwise (a
    // private window the script cannot see), so the address is not taken. Safari came forward with
    // no window the script sees, which reset the filter: one more excluded row.
    world.machine.launch(safari);
    world.settle();
    world.machine.setState([&] {
        MachineState state = world.machine.state();
        state.frontTabs[safari] = {"https://uni.example/lecture", "Lecture", false};
        return state;
    }());
    browser.readFrontTab();
    browser.readFrontTab();
    world.settle();
    EXPECT_THAT(rows(), ElementsAre(R"(browser.tab {"excluded":true})", R"(browser.tab {"excluded":true})"))
        << "one row for both reads";

    show(safari, "https://uni.example/lecture", "Lecture"); // the window takes the page's title
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().back(), R"(browser.tab {"site":"uni.example"})");

    // Without accessibility trust no title can be compared: every Safari tab counts as private.
    world.machine.setTrusted(false);
    browser.readFrontTab();
    world.settle();
    EXPECT_THAT(rows().back(), R"(browser.tab {"excluded":true})");
}

TEST_F(BrowserSignalTest, TheAddressIsKeptOnlyUpToEightMinutesAfterATrigger) {
    world.machine.launch(chrome);
    BrowserSignal& browser = startSource();
    world.store.insert(std::vector<Trigger>{{millisecondsFromNow(0), Trigger::Kind::unlock}});
    world.time.advance(480);
    show(chrome, "https://moodle.uni.example/course/view.php?id=7#top");
    browser.readFrontTab();
    world.time.advance(1);
    show(chrome, "https://moodle.uni.example/course/view.php?id=8");
    browser.readFrontTab();
    world.settle();
    EXPECT_THAT(rows(), ElementsAre(R"(browser.tab {"site":"moodle.uni.example","url":"https://moodle.uni.example/course/view.php"})",
                                    R"(browser.tab {"site":"moodle.uni.example"})"));
}

TEST_F(BrowserSignalTest, ARefusedScriptWithdrawsTheBrowserAndOtherErrorsOnlyLog) {
    test::LogCapture log;
    show(chrome, "https://a.example");
    world.machine.launch(chrome);
    BrowserSignal& browser = startSource();
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_THAT(browser.followedBrowsers(), ElementsAre("Google Chrome"));

    show(chrome, "https://b.example");
    world.machine.setAutomation(chrome, {Permission::granted, Permission::granted, BrowserScripting::timedOut});
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_THAT(browser.followedBrowsers(), ElementsAre("Google Chrome")) << "a time-out keeps the permission";

    world.machine.setAutomation(chrome, {Permission::denied, Permission::granted, std::nullopt});
    browser.readFrontTab();
    world.settle();
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_THAT(browser.followedBrowsers(), IsEmpty());
    EXPECT_THAT(browser.unfollowedBrowsers(), ElementsAre("Google Chrome"));
    const int runs = world.machine.calls("runScript");
    browser.readFrontTab();
    EXPECT_EQ(world.machine.calls("runScript"), runs) << "a withdrawn browser is not scripted";

    int failures = 0;
    for (const LogEntry& entry : log.entries()) {
        if (entry.category == "browser" && entry.format == "Couldn't read the front tab of %s: %@") {
            ++failures;
            EXPECT_EQ(entry.arguments.front(), chrome);
        }
    }
    EXPECT_EQ(failures, 2);
}

TEST_F(BrowserSignalTest, PermissionsAreLookedUpOnceWithoutAskingAndAPollRunsOnlyWithoutTrust) {
    world.machine.setAutomation(chrome, {Permission::notDetermined, Permission::granted, std::nullopt});
    world.machine.launch(chrome);
    show(chrome, "https://a.example");
    BrowserSignal& browser = startSource();
    EXPECT_EQ(world.machine.calls("automationPermission"), 1);
    EXPECT_EQ(world.machine.automationQuestions(), 0);
    EXPECT_THAT(rows(), IsEmpty());
    EXPECT_THAT(browser.unfollowedBrowsers(), ElementsAre("Google Chrome"));

    // Checked at start: coming to the front again asks the system nothing and reads nothing.
    world.machine.setTrusted(false);
    const int editor = world.machine.launch("org.gnome.TextEditor");
    world.settle();
    world.machine.activate(world.machine.state().findAppByID(chrome)->pid);
    world.time.advance(35);
    EXPECT_EQ(world.machine.calls("automationPermission"), 1);
    EXPECT_EQ(world.machine.calls("runScript"), 0);

    // Safari, first seen now and allowed: one look-up, then reads; untrusted, a 10 s poll sees a
    // new page without any notice, and stops when Safari leaves the front.
    world.machine.launch(safari);
    world.time.advance(1);
    EXPECT_EQ(world.machine.calls("automationPermission"), 2);
    EXPECT_EQ(world.machine.automationQuestions(), 0);
    world.machine.setState([&] {
        MachineState state = world.machine.state();
        state.frontTabs[safari] = {"https://b.example/x", "Start", false};
        return state;
    }());
    world.machine.setTrusted(true); // the next reads can compare titles; the poll stays as made
    world.time.advance(9);
    EXPECT_THAT(rows(), ElementsAre(R"(browser.tab {"site":"b.example"})"));
    world.machine.activate(editor);
    world.settle();
    const int runs = world.machine.calls("runScript");
    world.time.advance(60);
    EXPECT_EQ(world.machine.calls("runScript"), runs) << "no poll without a browser in front";

    // Trusted from the start: no poll; window notices are the window source's business.
    world.machine.activate(world.machine.state().findAppByID(safari)->pid);
    world.settle();
    const int trustedRuns = world.machine.calls("runScript");
    world.time.advance(60);
    EXPECT_EQ(world.machine.calls("runScript"), trustedRuns);
}

TEST_F(BrowserSignalTest, RequestingAccessStartsTheBrowserHiddenAndAsksOnce) {
    BrowserSignal& browser = startSource();
    world.machine.setAutomation(chrome, {Permission::notDetermined, Permission::granted, std::nullopt});
    std::vector<bool> answers;
    browser.requestAccess(chrome, [&](bool granted) { answers.push_back(granted); });
    world.settle();
    EXPECT_EQ(answers, std::vector<bool>{true});
    EXPECT_EQ(world.machine.automationQuestions(), 1);
    const MachineState state = world.machine.state();
    const MachineState::App* started = state.findAppByID(chrome);
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(started->hidden);
    EXPECT_NE(state.frontPid, started->pid) << "started without coming forward";
    EXPECT_THAT(browser.followedBrowsers(), ElementsAre("Google Chrome"));

    // A browser that never starts: about ten seconds of checks on timers, then the system's answer.
    answers.clear();
    browser.requestAccess("com.vivaldi.Vivaldi", [&](bool granted) { answers.push_back(granted); });
    world.time.advance(9.9);
    EXPECT_THAT(answers, IsEmpty());
    world.time.advance(0.2);
    EXPECT_EQ(answers, std::vector<bool>{false});

    // Not a scriptable browser: refused without asking or starting anything.
    answers.clear();
    const int asked = world.machine.calls("automationPermission");
    browser.requestAccess("org.mozilla.firefox", [&](bool granted) { answers.push_back(granted); });
    world.settle();
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_EQ(world.machine.calls("automationPermission"), asked);
    EXPECT_EQ(world.machine.state().findAppByID("org.mozilla.firefox"), nullptr);
}

TEST_F(BrowserSignalTest, TheDefaultBrowserNeedsAHandlerWithAName) {
    EXPECT_EQ(BrowserSignal::defaultBrowser(world.machine.workspace()), std::nullopt);
    world.machine.setDefaultHandler("https", chrome);
    EXPECT_EQ(BrowserSignal::defaultBrowser(world.machine.workspace()),
              (BrowserSignal::DefaultBrowser{chrome, "Google Chrome"}));
    world.machine.setDefaultHandler("https", "org.example.Gone");
    EXPECT_EQ(BrowserSignal::defaultBrowser(world.machine.workspace()), std::nullopt);
}

TEST(BrowserSignalObserverTest, AWindowTitleChangeOfTheFrontBrowserReadsTheTab) {
    ObserverWorld world{machineWithBrowsers()};
    world.machine.showTab(chrome, {"https://a.example/", "A", false});
    world.machine.launch(chrome);
    world.startObserver();
    world.machine.showTab(chrome, {"https://b.example/", "B", false}); // the window is retitled "B"
    world.settle();
    EXPECT_THAT(world.rows(tabs), ElementsAre(R"(browser.tab {"site":"a.example"})", R"(browser.tab {"site":"b.example"})"));
}

} // namespace
} // namespace ostrel
