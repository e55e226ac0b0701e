#include "platform/sim/SimulatedMachine.hpp"
#include "platform/Clock.hpp"
#include "platform/OperationError.hpp"
#include "platform/ThreadExecutor.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"

#include <atomic>
#include <fstream>
#include <future>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string kindText(WorkspaceEvent::Kind kind) {
    switch (kind) {
    case WorkspaceEvent::Kind::launched: return "launched";
    case WorkspaceEvent::Kind::activated: return "activated";
    case WorkspaceEvent::Kind::hidden: return "hidden";
    case WorkspaceEvent::Kind::unhidden: return "unhidden";
    case WorkspaceEvent::Kind::terminated: return "terminated";
    case WorkspaceEvent::Kind::didWake: return "didWake";
    case WorkspaceEvent::Kind::willSleep: return "willSleep";
    }
    return "?";
}

const std::vector<std::string> appNotices = {accessibility::focusedWindowChanged, accessibility::windowCreated,
                                             accessibility::windowMiniaturized, accessibility::windowDeminiaturized};
const std::vector<std::string> windowNotices = {accessibility::elementDestroyed, accessibility::windowMoved,
                                                accessibility::windowResized, accessibility::titleChanged};

MachineState::Window standardWindow(std::string title) {
    MachineState::Window window;
    window.document = "/home/student/" + title;
    window.title = std::move(title);
    window.frame = Rect{10, 20, 800, 600};
    return window;
}

// A machine with this process, two installed apps (an editor with two windows, a browser with
// one) and an agent, in virtual time. Every notice of every role lands in one log on one
// executor, so the log shows the order a service would see.
class SimulatedMachineTest : public ::testing::Test {
protected:
    SimulatedMachineTest() {
        MachineState state = MachineState::withOwnApp();
        state.installed.push_back({"org.gnome.TextEditor", "Text Editor", "/usr/bin/gnome-text-editor", true,
                                   {standardWindow("a.txt"), standardWindow("b.txt")}});
        state.installed.push_back({"org.mozilla.firefox", "Firefox", "/usr/lib/firefox", true, {standardWindow("Home")}});
        state.installed.push_back({"org.example.Agent", "Agent", "/usr/bin/agent", false, {}});
        machine.setState(state);
        workspaceSubscription = machine.workspace().subscribe(main, [this](const WorkspaceEvent& event) {
            log.push_back(kindText(event.kind) + (event.app && event.app->bundleID ? " " + *event.app->bundleID : ""));
        });
        sessionSubscription = machine.session().subscribe(main, [this](const SessionEvent& event) {
            log.push_back(event.kind == SessionEvent::Kind::locked ? "locked" : "unlocked");
        });
    }

    // Observes pid the way the window source does: the app notices on the application element,
    // the window notices on each window it has now.
    std::unique_ptr<AccessibilityObserver> observe(int pid) {
        auto observer = machine.accessibility().observe(pid, main, [this](const std::string& name, WindowElement element) {
            log.push_back(name + " " + std::to_string(element.id));
        });
        EXPECT_NE(observer, nullptr);
        for (const std::string& name : appNotices) {
            EXPECT_TRUE(observer->add(WindowElement::application(pid), name));
        }
        for (const WindowElement& window : machine.accessibility().windows(pid).value_or(std::vector<WindowElement>{})) {
            for (const std::string& name : windowNotices) {
                EXPECT_TRUE(observer->add(window, name));
            }
        }
        return observer;
    }

    std::vector<std::string> delivered() {
        time.settle();
        return std::exchange(log, {});
    }

    std::vector<WindowElement> windowsOf(int pid) { return machine.accessibility().windows(pid).value(); }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    std::vector<std::string> log;
    Subscription workspaceSubscription;
    Subscription sessionSubscription;
};

TEST_F(SimulatedMachineTest, LaunchReportsTheAppThenActivatesIt) {
    const int editor = machine.launch("org.gnome.TextEditor");
    EXPECT_THAT(delivered(), ElementsAre("launched org.gnome.TextEditor", "activated org.gnome.TextEditor"));
    const auto front = machine.workspace().frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->pid, editor);
    EXPECT_EQ(windowsOf(editor).size(), 2u);
    EXPECT_EQ(machine.accessibility().focusedWindow(editor), windowsOf(editor).front());

    EXPECT_EQ(machine.launch("org.gnome.TextEditor"), editor) << "a running app is not started twice";
    EXPECT_THAT(delivered(), IsEmpty()) << "it is front already";

    const int agent = machine.launchHidden("org.example.Agent");
    EXPECT_THAT(delivered(), ElementsAre("launched org.example.Agent"));
    EXPECT_EQ(machine.workspace().frontmost()->pid, editor);
    EXPECT_TRUE(machine.state().findApp(agent)->hidden);
    EXPECT_THROW(machine.launch("org.example.Missing"), OperationError);
}

TEST_F(SimulatedMachineTest, RunningAppsListThisProcessAndAgentsInLaunchOrder) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int agent = machine.launch("org.example.Agent");
    const auto apps = machine.workspace().runningApps();
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0].pid, machine.workspace().ownPid());
    EXPECT_EQ(apps[1].pid, editor);
    EXPECT_EQ(apps[2].pid, agent);
    EXPECT_FALSE(apps[2].regular);
    EXPECT_EQ(apps[1].path, "/usr/bin/gnome-text-editor");
}

TEST_F(SimulatedMachineTest, ActivatingAHiddenAppUnhidesItThenFocusesItsWindow) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int browser = machine.launch("org.mozilla.firefox");
    auto observer = observe(editor);
    machine.hide(editor);
    EXPECT_THAT(delivered(), ElementsAre("launched org.gnome.TextEditor", "activated org.gnome.TextEditor",
                                         "launched org.mozilla.firefox", "activated org.mozilla.firefox",
                                         "hidden org.gnome.TextEditor"));
    EXPECT_EQ(machine.workspace().frontmost()->pid, browser) << "hiding a background app leaves the front alone";

    machine.activate(editor);
    EXPECT_THAT(delivered(), ElementsAre("unhidden org.gnome.TextEditor", "activated org.gnome.TextEditor",
                                         "AXFocusedWindowChanged " + std::to_string(windowsOf(editor).front().id)));
    machine.activate(editor);
    EXPECT_THAT(delivered(), IsEmpty());
}

TEST_F(SimulatedMachineTest, HidingTheFrontAppPassesTheFrontToTheLatestVisibleRegularApp) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int browser = machine.launch("org.mozilla.firefox");
    machine.launch("org.example.Agent"); // not regular: never given the front
    machine.activate(browser);
    delivered();
    machine.hide(browser);
    EXPECT_THAT(delivered(), ElementsAre("hidden org.mozilla.firefox", "activated org.gnome.TextEditor"));
    machine.hide(editor);
    EXPECT_THAT(delivered(), ElementsAre("hidden org.gnome.TextEditor"));
    EXPECT_FALSE(machine.workspace().frontmost()) << "only this process and an agent are left";
}

TEST_F(SimulatedMachineTest, QuitDestroysEachWindowThenTerminatesThenPassesTheFront) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int browser = machine.launch("org.mozilla.firefox");
    auto observer = observe(browser);
    const auto window = windowsOf(browser).front();
    delivered();
    machine.quit(browser);
    EXPECT_THAT(delivered(), ElementsAre("AXUIElementDestroyed " + std::to_string(window.id),
                                         "terminated org.mozilla.firefox", "activated org.gnome.TextEditor"));
    EXPECT_EQ(machine.workspace().frontmost()->pid, editor);
    EXPECT_FALSE(machine.accessibility().windows(browser));
    EXPECT_FALSE(machine.accessibility().title(window));
    EXPECT_FALSE(observer->add(WindowElement::application(browser), accessibility::windowCreated));
    EXPECT_THROW(machine.quit(browser), OperationError);
    EXPECT_THROW(machine.quit(machine.workspace().ownPid()), OperationError);
}

TEST_F(SimulatedMachineTest, SleepSendsWillSleepBeforeTheClocksMoveAndDidWakeAfter) {
    struct Reading {
        std::string event;
        double boot;
        double monotonic;
        bool asleep;
    };
    std::vector<Reading> readings;
    auto subscription = machine.workspace().subscribe(main, [&](const WorkspaceEvent& event) {
        readings.push_back({kindText(event.kind), time.clock().boot(), time.clock().monotonic(), machine.state().asleep});
    });
    const double boot = time.clock().boot();
    const double monotonic = time.clock().monotonic();
    machine.sleep(600);
    time.settle();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].event, "willSleep");
    EXPECT_EQ(readings[0].boot, boot);
    EXPECT_EQ(readings[1].event, "didWake");
    EXPECT_EQ(readings[1].boot, boot + 600);
    EXPECT_EQ(readings[1].monotonic, monotonic) << "monotonic time stops while asleep";
    EXPECT_FALSE(readings[1].asleep);
    EXPECT_EQ(machine.logins().uptime(), boot + 600);
}

TEST(SimulatedMachineWithoutTime, SleepMovesTheUptimeAndStillSendsBothNotices) {
    VirtualTime time; // only its executor: the machine itself has no virtual time
    Executor& main = time.makeExecutor("main");
    MachineState state;
    state.uptime = 100;
    SimulatedMachine machine(state);
    std::vector<WorkspaceEvent::Kind> kinds;
    auto subscription = machine.workspace().subscribe(main, [&](const WorkspaceEvent& event) { kinds.push_back(event.kind); });
    machine.sleep(50);
    time.settle();
    EXPECT_THAT(kinds, ElementsAre(WorkspaceEvent::Kind::willSleep, WorkspaceEvent::Kind::didWake));
    EXPECT_EQ(machine.logins().uptime(), 150);
}

TEST_F(SimulatedMachineTest, ASleepThatCannotBeDrivenLeavesTheMachineAwake) {
    EXPECT_THROW(machine.sleep(-1), std::invalid_argument);
    EXPECT_THAT(delivered(), IsEmpty());
    std::optional<bool> threw;
    main.post([&] {
        try {
            machine.sleep(1); // time cannot be driven from inside a task
            threw = false;
        } catch (const VirtualTimeError&) {
            threw = true;
        }
    });
    time.settle();
    EXPECT_EQ(threw, true);
    EXPECT_FALSE(machine.state().asleep);
    log.clear();
    machine.sleep(1);
    EXPECT_THAT(delivered(), ElementsAre("willSleep", "didWake"));
}

// Real threads: subscribers on their own executors read the machine while the test thread drives
// it, and an observer is destroyed while its notices are being delivered.
TEST(SimulatedMachineThreads, SubscribersOnOtherThreadsSeeEveryEventInOrderAndNoneAfterDestruction) {
    const SystemClock clock;
    SimulatedMachine machine;
    machine.installApp({"org.gnome.TextEditor", "Text Editor", std::nullopt, true, {MachineState::Window{}}});
    std::vector<WorkspaceEvent::Kind> kinds;
    std::atomic<int> notices = 0;
    std::atomic<bool> observerGone = false;
    std::atomic<bool> lateNotice = false;
    {
        ThreadExecutor workspaceQueue("workspace", clock);
        ThreadExecutor accessibilityQueue("accessibility", clock);
        auto subscription = machine.workspace().subscribe(workspaceQueue, [&](const WorkspaceEvent& event) {
            kinds.push_back(event.kind);
            machine.workspace().runningApps(); // reads from the callback's thread
        });
        const int editor = machine.launch("org.gnome.TextEditor");
        const WindowElement window = machine.accessibility().windows(editor).value().front();
        auto observer = machine.accessibility().observe(editor, accessibilityQueue, [&](const std::string&, WindowElement element) {
            lateNotice = lateNotice || observerGone;
            ++notices;
            machine.accessibility().frame(element);
        });
        ASSERT_TRUE(observer->add(window, accessibility::windowMoved));
        for (int step = 0; step < 200; ++step) {
            machine.moveWindow(window, step, step);
            if (step == 100) {
                observer.reset();
                observerGone = true;
            }
            machine.hide(editor);
            machine.unhide(editor);
        }
        // Subscriptions end with this block: wait until both queues have delivered what was posted.
        for (Executor* queue : {static_cast<Executor*>(&workspaceQueue), static_cast<Executor*>(&accessibilityQueue)}) {
            std::promise<void> drained;
            queue->post([&] { drained.set_value(); });
            ASSERT_EQ(drained.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
        }
    }
    EXPECT_FALSE(lateNotice);
    EXPECT_LE(notices.load(), 101);
    ASSERT_EQ(kinds.size(), 2u + 400u);
    for (std::size_t index = 2; index < kinds.size(); ++index) {
        EXPECT_EQ(kinds[index], index % 2 == 0 ? WorkspaceEvent::Kind::hidden : WorkspaceEvent::Kind::unhidden);
    }
}

TEST_F(SimulatedMachineTest, LockAndUnlockReportOnlyChanges) {
    machine.lock();
    machine.lock();
    EXPECT_TRUE(machine.session().isLocked());
    machine.unlock();
    machine.unlock();
    EXPECT_FALSE(machine.session().isLocked());
    EXPECT_THAT(delivered(), ElementsAre("locked", "unlocked"));
}

// Each window operation, the notices the app's observer gets and what the window reads as after.
TEST_F(SimulatedMachineTest, WindowOperationsSendTheirNoticesAndChangeTheWindow) {
    struct Case {
        std::string name;
        std::function<void(SimulatedMachine&, WindowElement front, WindowElement back)> operate;
        std::function<std::vector<std::string>(WindowElement front, WindowElement back)> notices;
        std::function<void(WindowAccessibility&, WindowElement front, WindowElement back)> check;
    };
    const auto id = [](WindowElement element) { return std::to_string(element.id); };
    const std::vector<Case> cases = {
        {"move", [](auto& m, auto front, auto) { m.moveWindow(front, 100, 50); },
         [&](auto front, auto) { return std::vector<std::string>{"AXWindowMoved " + id(front)}; },
         [](auto& a, auto front, auto) { EXPECT_EQ(a.frame(front), (Rect{100, 50, 800, 600})); }},
        {"resize", [](auto& m, auto front, auto) { m.resizeWindow(front, 300, 200); },
         [&](auto front, auto) { return std::vector<std::string>{"AXWindowResized " + id(front)}; },
         [](auto& a, auto front, auto) { EXPECT_EQ(a.frame(front), (Rect{10, 20, 300, 200})); }},
        {"the role sets the size", [](auto& m, auto front, auto) { EXPECT_TRUE(m.accessibility().setSize(front, 300, 200)); },
         [&](auto front, auto) { return std::vector<std::string>{"AXWindowResized " + id(front)}; },
         [](auto& a, auto front, auto) { EXPECT_EQ(a.frame(front), (Rect{10, 20, 300, 200})); }},
        {"the role sets the position", [](auto& m, auto, auto back) { EXPECT_TRUE(m.accessibility().setPosition(back, -40, 70)); },
         [&](auto, auto back) { return std::vector<std::string>{"AXWindowMoved " + id(back)}; },
         [](auto& a, auto front, auto back) {
             EXPECT_EQ(a.frame(back), (Rect{-40, 70, 800, 600}));
             EXPECT_EQ(a.frame(front), (Rect{10, 20, 800, 600})) << "only that window";
         }},
        {"retitle", [](auto& m, auto front, auto) { m.retitleWindow(front, "c.txt"); },
         [&](auto front, auto) { return std::vector<std::string>{"AXTitleChanged " + id(front)}; },
         [](auto& a, auto front, auto) { EXPECT_EQ(a.title(front), "c.txt"); }},
        {"document", [](auto& m, auto front, auto) { m.changeDocument(front, "/home/student/c.txt", "c.txt"); },
         [&](auto front, auto) { return std::vector<std::string>{"AXTitleChanged " + id(front)}; },
         [](auto& a, auto front, auto) { EXPECT_EQ(a.document(front), "/home/student/c.txt"); }},
        {"focus the back window", [](auto& m, auto, auto back) { m.focusWindow(back); },
         [&](auto, auto back) { return std::vector<std::string>{"AXFocusedWindowChanged " + id(back)}; },
         [](auto& a, auto front, auto back) {
             EXPECT_EQ(a.focusedWindow(back.pid), back);
             EXPECT_EQ(a.windows(back.pid), (std::vector{back, front})) << "focus brings it forward";
         }},
        {"focus the focused window", [](auto& m, auto front, auto) { m.focusWindow(front); },
         [](auto, auto) { return std::vector<std::string>{}; }, [](auto&, auto, auto) {}},
        {"minimize the focused window", [](auto& m, auto front, auto) { m.minimizeWindow(front); },
         [&](auto front, auto back) {
             return std::vector<std::string>{"AXWindowMiniaturized " + id(front), "AXFocusedWindowChanged " + id(back)};
         },
         [](auto& a, auto front, auto back) {
             EXPECT_EQ(a.minimized(front), true);
             EXPECT_EQ(a.focusedWindow(front.pid), back);
         }},
        {"minimize then unminimize", [](auto& m, auto, auto back) { m.minimizeWindow(back); m.unminimizeWindow(back); },
         [&](auto, auto back) {
             return std::vector<std::string>{"AXWindowMiniaturized " + id(back), "AXWindowDeminiaturized " + id(back),
                                             "AXFocusedWindowChanged " + id(back)};
         },
         [](auto& a, auto, auto back) { EXPECT_EQ(a.minimized(back), false); }},
        {"close the focused window", [](auto& m, auto front, auto) { m.closeWindow(front); },
         [&](auto front, auto back) {
             return std::vector<std::string>{"AXUIElementDestroyed " + id(front), "AXFocusedWindowChanged " + id(back)};
         },
         [](auto& a, auto front, auto back) {
             EXPECT_EQ(a.windows(front.pid), (std::vector{back}));
             EXPECT_FALSE(a.subrole(front));
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const int editor = machine.launch("org.gnome.TextEditor");
        auto observer = observe(editor);
        const auto windows = windowsOf(editor);
        delivered();
        test.operate(machine, windows[0], windows[1]);
        EXPECT_EQ(delivered(), test.notices(windows[0], windows[1]));
        test.check(machine.accessibility(), windows[0], windows[1]);
        machine.quit(editor);
        delivered();
    }
}

TEST_F(SimulatedMachineTest, OpeningAWindowCreatesThenFocusesIt) {
    const int editor = machine.launch("org.gnome.TextEditor");
    auto observer = observe(editor);
    delivered();
    MachineState::Window dialog;
    dialog.subrole = "AXDialog";
    const WindowElement opened = machine.openWindow(editor, dialog);
    EXPECT_THAT(delivered(), ElementsAre("AXWindowCreated " + std::to_string(opened.id),
                                         "AXFocusedWindowChanged " + std::to_string(opened.id)));
    EXPECT_EQ(machine.accessibility().subrole(opened), "AXDialog");
    EXPECT_EQ(windowsOf(editor).front(), opened);
    EXPECT_THROW(machine.openWindow(4242, dialog), OperationError);
}

TEST_F(SimulatedMachineTest, ANoticeReachesOnlyObserversRegisteredForThatWindowOrTheApp) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int browser = machine.launch("org.mozilla.firefox");
    const auto windows = windowsOf(editor);
    std::vector<std::string> seen;
    auto onlyFront = machine.accessibility().observe(editor, main, [&](const std::string& name, WindowElement element) {
        seen.push_back(name + " " + std::to_string(element.id));
    });
    ASSERT_TRUE(onlyFront);
    EXPECT_TRUE(onlyFront->add(windows[0], accessibility::windowMoved));
    EXPECT_FALSE(onlyFront->add(windowsOf(browser).front(), accessibility::windowMoved)) << "another app's window";
    EXPECT_FALSE(onlyFront->add({editor, 999}, accessibility::windowMoved)) << "no such window";
    machine.moveWindow(windows[1], 1, 1);
    machine.resizeWindow(windows[0], 1, 1);
    machine.moveWindow(windows[0], 2, 2);
    time.settle();
    EXPECT_THAT(seen, ElementsAre("AXWindowMoved " + std::to_string(windows[0].id)));
}

TEST_F(SimulatedMachineTest, ACancelledSubscriptionOrDestroyedObserverReceivesNothingAlreadyPosted) {
    const int editor = machine.launch("org.gnome.TextEditor");
    auto observer = observe(editor);
    delivered();
    machine.moveWindow(windowsOf(editor).front(), 5, 5);
    machine.lock();
    observer.reset();
    sessionSubscription.cancel();
    machine.unlock();
    machine.moveWindow(windowsOf(editor).front(), 6, 6);
    machine.hide(editor);
    EXPECT_THAT(delivered(), ElementsAre("hidden org.gnome.TextEditor"));
}

TEST_F(SimulatedMachineTest, WithoutTrustReadsFailObserversCannotBeMadeAndNothingIsDelivered) {
    const int editor = machine.launch("org.gnome.TextEditor");
    auto observer = observe(editor);
    const auto window = windowsOf(editor).front();
    int trustNotices = 0;
    auto trust = machine.accessibility().subscribeTrust(main, [&] { ++trustNotices; });
    delivered();

    machine.setTrusted(false);
    machine.moveWindow(window, 3, 3);
    EXPECT_THAT(delivered(), IsEmpty());
    EXPECT_EQ(trustNotices, 1);
    EXPECT_FALSE(machine.accessibility().isTrusted());
    EXPECT_FALSE(machine.accessibility().windows(editor));
    EXPECT_FALSE(machine.accessibility().focusedWindow(editor));
    EXPECT_FALSE(machine.accessibility().title(window));
    EXPECT_FALSE(machine.accessibility().frame(window));
    EXPECT_FALSE(machine.accessibility().setSize(window, 1, 1));
    EXPECT_FALSE(machine.accessibility().setPosition(window, 1, 1));
    EXPECT_EQ(machine.state().findWindow(window)->frame, (Rect{3, 3, 800, 600})) << "untrusted: not moved";
    EXPECT_EQ(machine.accessibility().observe(editor, main, [](const std::string&, WindowElement) {}), nullptr);

    machine.setTrusted(true);
    machine.moveWindow(window, 4, 4);
    EXPECT_THAT(delivered(), ElementsAre("AXWindowMoved " + std::to_string(window.id)));
    EXPECT_EQ(trustNotices, 2);
}

// Every failable read, failed once: the first call fails and is counted, the second answers.
TEST_F(SimulatedMachineTest, AFailedCallFailsTheWayTheSystemRefusesAndIsCounted) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const WindowElement window = windowsOf(editor).front();
    machine.setDefaultHandler("https", "org.mozilla.firefox");
    MachineState::Display screen;
    screen.id = "eDP-1";
    machine.connectDisplay(screen);
    machine.setDisplayKeptAwake(true);
    auto& ax = machine.accessibility();
    struct Case {
        std::string name;
        std::function<bool()> answers; // false when the call failed
    };
    const std::vector<Case> cases = {
        {"runningApps", [&] { return !machine.workspace().runningApps().empty(); }},
        {"frontmost", [&] { return machine.workspace().frontmost().has_value(); }},
        {"defaultHandler", [&] { return machine.workspace().defaultHandler("https").has_value(); }},
        {"idleSeconds", [&] { return machine.activity().idleSeconds().has_value(); }},
        {"keepAwake", [&] { return machine.activity().keepAwake("test").held(); }},
        {"isTrusted", [&] { return ax.isTrusted(); }},
        {"observe", [&] { return ax.observe(editor, main, [](const std::string&, WindowElement) {}) != nullptr; }},
        {"windows", [&] { return ax.windows(editor).has_value(); }},
        {"focusedWindow", [&] { return ax.focusedWindow(editor).has_value(); }},
        {"subrole", [&] { return ax.subrole(window).has_value(); }},
        {"title", [&] { return ax.title(window).has_value(); }},
        {"document", [&] { return ax.document(window).has_value(); }},
        {"frame", [&] { return ax.frame(window).has_value(); }},
        {"minimized", [&] { return ax.minimized(window).has_value(); }},
        {"setSize", [&] { return ax.setSize(window, 640, 480); }},
        {"setPosition", [&] { return ax.setPosition(window, 5, 6); }},
        {"userName", [&] { return !machine.logins().userName().empty(); }},
        {"uptime", [&] { return machine.logins().uptime() > 0; }},
        {"displayKeptAwake", [&] { return machine.activity().displayKeptAwake(); }},
        {"screens", [&] { return !machine.displays().screens().empty(); }},
        {"powerInfo", [&] { return machine.power().powerInfo().has_value(); }},
        {"watchPower", [&] { return machine.power().watchPower(main, [] {}).has_value(); }},
        {"activate", [&] {
             try {
                 machine.workspace().activate(editor);
                 return true;
             } catch (const OperationError&) {
                 return false;
             }
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        machine.resetCalls();
        machine.failCalls(test.name, 1);
        EXPECT_FALSE(test.answers());
        EXPECT_TRUE(test.answers());
        EXPECT_EQ(machine.calls(test.name), 2);
    }
}

TEST_F(SimulatedMachineTest, AFailedOperationChangesNothingAndSendsNothing) {
    const int editor = machine.launch("org.gnome.TextEditor");
    const int browser = machine.launch("org.mozilla.firefox");
    delivered();
    const MachineState before = machine.state();
    machine.failCalls("hide");
    EXPECT_THROW(machine.workspace().hide(browser), OperationError);
    EXPECT_THROW(machine.workspace().hide(editor), OperationError);
    machine.failCalls("quit", 1);
    EXPECT_THROW(machine.workspace().quit(editor), OperationError);
    EXPECT_EQ(machine.state(), before);
    EXPECT_THAT(delivered(), IsEmpty());
    EXPECT_EQ(machine.calls("hide"), 2);

    machine.stopFailing("hide");
    machine.workspace().hide(browser);
    EXPECT_THAT(delivered(), ElementsAre("hidden org.mozilla.firefox", "activated org.gnome.TextEditor"));
}

TEST_F(SimulatedMachineTest, OnlyTheRolesCallsAreCountedNotTheDrivers) {
    const int editor = machine.launch("org.gnome.TextEditor");
    machine.activate(editor);
    const WindowElement window = windowsOf(editor).front();
    machine.resetCalls();
    machine.accessibility().subrole(window);
    machine.accessibility().frame(window);
    machine.accessibility().frame(window);
    machine.retitleWindow(window, "new");
    EXPECT_EQ(machine.calls("subrole"), 1);
    EXPECT_EQ(machine.calls("frame"), 2);
    EXPECT_EQ(machine.calls("title"), 0) << "retitling is the driver's, not a read";
    EXPECT_EQ(machine.calls("activate"), 0);
    EXPECT_EQ(machine.calls("windows"), 0);
    machine.resetCalls();
    EXPECT_EQ(machine.calls("frame"), 0);
}

TEST_F(SimulatedMachineTest, OpenURLUsesTheSchemesHandlerAndLaunchesIt) {
    machine.setDefaultHandler("https", "org.mozilla.firefox");
    machine.workspace().openURL("https://example.org/a");
    EXPECT_THAT(delivered(), ElementsAre("launched org.mozilla.firefox", "activated org.mozilla.firefox"));
    machine.workspace().openURL("/home/student/a.txt", std::string("org.gnome.TextEditor"));
    EXPECT_THAT(machine.state().openedURLs,
                ElementsAre(MachineState::OpenedURL{"https://example.org/a", "org.mozilla.firefox"},
                            MachineState::OpenedURL{"/home/student/a.txt", "org.gnome.TextEditor"}));
    EXPECT_THROW(machine.workspace().openURL("mailto:a@b.c"), OperationError);
    EXPECT_THROW(machine.workspace().openURL("no scheme"), OperationError);
    EXPECT_THROW(machine.workspace().openURL("https://x.org", std::string("org.example.Missing")), OperationError);
    EXPECT_EQ(machine.state().openedURLs.size(), 2u) << "a refused open is not recorded";
    EXPECT_EQ(machine.workspace().defaultHandler("https"), "org.mozilla.firefox");
    EXPECT_FALSE(machine.workspace().defaultHandler("mailto"));
}

TEST_F(SimulatedMachineTest, AWakeLockHoldsUntilReleasedOrDestroyed) {
    {
        WakeLock first = machine.activity().keepAwake("recording");
        WakeLock second = machine.activity().keepAwake("timer");
        EXPECT_THAT(machine.state().wakeLocks, ElementsAre("recording", "timer"));
        first.release();
        EXPECT_FALSE(first.held());
        EXPECT_THAT(machine.state().wakeLocks, ElementsAre("timer"));
        WakeLock moved = std::move(second);
        EXPECT_THAT(machine.state().wakeLocks, ElementsAre("timer")) << "a move releases nothing";
    }
    EXPECT_THAT(machine.state().wakeLocks, IsEmpty());
}

TEST_F(SimulatedMachineTest, UnpluggingTheOutputDeviceFallsBackToAnother) {
    machine.addAudioDevice({.id = "speakers", .name = "Speakers"});
    machine.addAudioDevice({.id = "headphones", .name = "Headphones"});
    machine.setDefaultOutput("headphones");
    machine.removeAudioDevice("speakers");
    EXPECT_EQ(machine.state().defaultOutput, std::optional<std::string>("headphones"));
    machine.addAudioDevice({.id = "speakers", .name = "Speakers"});
    machine.removeAudioDevice("headphones");
    EXPECT_EQ(machine.state().defaultOutput, std::optional<std::string>("speakers"));
    machine.removeAudioDevice("speakers");
    EXPECT_EQ(machine.state().defaultOutput, std::nullopt);
    EXPECT_TRUE(machine.state().audioDevices.empty());
}

TEST_F(SimulatedMachineTest, EveryJoinAndLeaveSendsTheWiFiNoticeAndARefusedWatchThrows) {
    machine.failCalls("subscribeWiFi", 1);
    EXPECT_THROW(machine.wifi().subscribe(main, [](const WiFiChange&) {}), OperationError);
    int notices = 0;
    std::vector<std::optional<std::string>> seen;
    const Subscription subscription = machine.wifi().subscribe(main, [&](const WiFiChange&) {
        ++notices;
        seen.push_back(machine.wifi().ssid());
    });
    machine.joinWiFi("Campus");
    machine.joinWiFi("Campus");
    machine.leaveWiFi();
    time.settle();
    EXPECT_EQ(notices, 3);
    // Each notice reads the state as it is when delivered, as a real reader would.
    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>(3, std::nullopt)));
    machine.joinWiFi("Campus");
    EXPECT_EQ(machine.wifi().ssid(), std::optional<std::string>("Campus"));
    machine.failCalls("ssid", 1);
    EXPECT_EQ(machine.wifi().ssid(), std::nullopt);
    EXPECT_EQ(machine.calls("subscribeWiFi"), 2);
    EXPECT_EQ(machine.calls("ssid"), 5);
}

TEST_F(SimulatedMachineTest, LocationRequestsAreAnsweredByQueuedReadingsThenTheMachinesPlace) {
    std::vector<LocationEvent> events;
    const Subscription subscription =
        machine.location().subscribe(main, [&](const LocationEvent& event) { events.push_back(event); });
    const auto take = [&] {
        time.settle();
        return std::exchange(events, {});
    };
    using Kind = LocationEvent::Kind;

    machine.location().requestLocation(); // not determined yet
    auto answer = take();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].kind, Kind::failed);

    machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    answer = take();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].kind, Kind::authorizationChanged);
    EXPECT_EQ(answer[0].authorization, LocationAuthorization::always);
    EXPECT_EQ(machine.location().authorization(), LocationAuthorization::always);

    machine.location().requestLocation(); // nowhere known
    answer = take();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].kind, Kind::failed);

    const std::vector<LocationFix> queued{{1, 2, 3, 100}, {4, 5, 6, 200}};
    machine.queueLocationFixes(queued);
    machine.failNextLocation("indoors");
    machine.moveTo(MachineState::Location{52.5, 13.4, 20});
    time.advance(30);
    for (int i = 0; i < 3; ++i) {
        machine.location().requestLocation();
    }
    machine.failCalls("requestLocation", 1);
    machine.location().requestLocation();
    answer = take();
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_EQ(answer[0].kind, Kind::fixes);
    EXPECT_EQ(answer[0].fixes, queued);
    EXPECT_EQ(answer[1].kind, Kind::failed);
    EXPECT_EQ(answer[1].error, "indoors");
    EXPECT_EQ(answer[2].kind, Kind::fixes);
    EXPECT_EQ(answer[2].fixes, (std::vector<LocationFix>{{52.5, 13.4, 20, time.clock().now()}}));
    EXPECT_EQ(answer[3].kind, Kind::failed);
    EXPECT_EQ(machine.calls("requestLocation"), 6);
}

std::string audioText(AudioSystemChange change) {
    return change == AudioSystemChange::devices ? "devices" : "defaultOutput";
}

std::string audioText(AudioControl control) {
    return control == AudioControl::volume ? "volume" : control == AudioControl::mute ? "mute" : "dataSource";
}

TEST_F(SimulatedMachineTest, AudioNoticesReachOnlyTheListenersOfThatDeviceAndControl) {
    machine.addAudioDevice({.id = "speakers", .name = "Speakers", .dataSource = "ispk"});
    machine.setDefaultOutput("speakers");
    AudioSystem& audio = machine.audio();
    const AudioDeviceID speakers = audio.defaultOutputDevice().value();
    ASSERT_NE(speakers, 0u);
    const Subscription system =
        audio.subscribe(main, [this](AudioSystemChange change) { log.push_back(audioText(change)); });
    std::vector<Subscription> controls;
    for (const AudioControl control : {AudioControl::volume, AudioControl::mute, AudioControl::dataSource}) {
        controls.push_back(audio.subscribe(speakers, control, main, [this](AudioDeviceID device, AudioControl heard) {
            log.push_back(audioText(heard) + " " + std::to_string(device));
        }));
    }
    const std::string id = std::to_string(speakers);

    machine.setVolume(0.5); // the default already
    machine.setVolume(3);
    machine.setMuted(true);
    machine.setDataSource("speakers", "hdpn");
    EXPECT_THAT(delivered(), ElementsAre("volume " + id, "mute " + id, "dataSource " + id));
    EXPECT_EQ(audio.volume(speakers), 1.0f) << "clamped";
    EXPECT_EQ(audio.dataSource(speakers), 0x6864706Eu);

    machine.addAudioDevice({.id = "tv", .name = "TV", .transport = AudioTransport::hdmi, .volume = std::nullopt});
    machine.setDefaultOutput("tv");
    const AudioDeviceID tv = audio.defaultOutputDevice().value();
    EXPECT_FALSE(audio.hasControl(tv, AudioControl::volume));
    EXPECT_EQ(audio.volume(tv), std::nullopt);
    machine.setVolume(0.2); // the TV has no volume: nothing
    machine.setMuted(true); // the TV's own mute: its listeners would hear it, the speakers' do not
    EXPECT_THAT(delivered(), ElementsAre("devices", "defaultOutput"));
    EXPECT_EQ(audio.muted(tv), std::optional<bool>(true));

    machine.removeAudioDevice("speakers");
    machine.addAudioDevice({.id = "speakers", .name = "Speakers"});
    EXPECT_THAT(delivered(), ElementsAre("devices", "devices")) << "the TV stays the default";
    EXPECT_EQ(audio.deviceUID(speakers), std::nullopt) << "an unplugged device's number reads nothing";
    const std::vector<AudioDeviceID> now = audio.devices();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0], tv);
    EXPECT_NE(now[1], speakers) << "plugged in again, it has a new number";
    EXPECT_EQ(audio.deviceUID(now[1]), std::optional<std::string>("speakers"));
}

TEST_F(SimulatedMachineTest, EventStoreAsksOnceWhileUndecidedAndAnswersLaterWithAChangeNotice) {
    int notices = 0;
    const Subscription changes = machine.events().subscribe(main, [&] { ++notices; });
    EXPECT_EQ(machine.events().access(), CalendarAccess::notDetermined);

    std::vector<bool> answers;
    machine.events().requestFullAccess([&](bool granted) { answers.push_back(granted); });
    EXPECT_THAT(answers, IsEmpty()) << "the answer comes later, not inside the request";
    time.settle();
    EXPECT_THAT(answers, ElementsAre(true));
    EXPECT_EQ(notices, 1) << "a grant changes what the store shows";
    EXPECT_EQ(machine.events().access(), CalendarAccess::fullAccess);

    machine.setPermission("calendar", MachineState::Permission::denied);
    machine.setCalendarAnswer(MachineState::Permission::granted);
    machine.events().requestFullAccess([&](bool granted) { answers.push_back(granted); });
    time.settle();
    EXPECT_THAT(answers, ElementsAre(true, false)) << "a decided user is not asked again";
    EXPECT_EQ(machine.calendarQuestions(), 1);
    EXPECT_EQ(notices, 2) << "the denial was a change too";

    machine.setPermission("calendar", MachineState::Permission::notDetermined);
    machine.setCalendarAnswer(MachineState::Permission::denied);
    machine.failCalls("requestFullAccess", 1);
    machine.events().requestFullAccess([&](bool granted) { answers.push_back(granted); });
    time.settle();
    EXPECT_THAT(answers, ElementsAre(true, false, false));
    EXPECT_EQ(machine.calendarQuestions(), 1) << "a failed request asks nobody";
    EXPECT_EQ(machine.events().access(), CalendarAccess::notDetermined);
}

TEST_F(SimulatedMachineTest, EventStoreGivesTheRangesEventsOnlyWithFullAccessAndNoticesEachChange) {
    int notices = 0;
    const Subscription changes = machine.events().subscribe(main, [&] { ++notices; });
    machine.addCalendar({"school", "School"});
    MachineState::CalendarEvent maths;
    maths.id = "maths";
    maths.calendarID = "school";
    maths.title = "Maths";
    maths.start = 1000;
    maths.end = 2000;
    maths.attendees = {{"Me", true, Participation::accepted}};
    maths.externalID = "ext";
    maths.url = "https://school.example/maths";
    machine.addCalendarEvent(maths);
    MachineState::CalendarEvent loose = maths;
    loose.id = "loose";
    loose.calendarID = "gone";
    loose.start = 3000;
    loose.end = 4000;
    machine.addCalendarEvent(loose);
    MachineState::CalendarEvent damaged;
    damaged.id = "damaged";
    damaged.end = std::nullopt;
    machine.addCalendarEvent(damaged);
    time.settle();
    EXPECT_EQ(notices, 4);

    const auto ids = [&](Date from, Date to) {
        std::vector<std::string> found;
        for (const EventRecord& record : machine.events().events(from, to)) {
            found.push_back(record.identifier);
        }
        return found;
    };
    EXPECT_THAT(ids(0, 5000), IsEmpty()) << "nothing before access";
    machine.setPermission("calendar", MachineState::Permission::granted);
    EXPECT_THAT(ids(0, 5000), ElementsAre("maths", "loose", "damaged"));
    EXPECT_THAT(ids(2000, 3000), ElementsAre("damaged")) << "ranges are half open; an unplaced entry is in all";
    EXPECT_THAT(ids(1999, 3001), ElementsAre("maths", "loose", "damaged"));

    const auto records = machine.events().events(0, 5000);
    EventRecord expected;
    expected.identifier = "maths";
    expected.externalIdentifier = "ext";
    expected.title = "Maths";
    expected.start = 1000;
    expected.end = 2000;
    expected.status = EventStatus::confirmed;
    expected.attendees = {{"Me", true, Participation::accepted}};
    expected.url = "https://school.example/maths";
    expected.calendarTitle = "School";
    EXPECT_EQ(records.at(0), expected);
    EXPECT_EQ(records.at(1).calendarTitle, std::nullopt) << "an unknown calendar id is no calendar";

    maths.title = "Algebra";
    machine.changeCalendarEvent(maths);
    machine.removeCalendarEvent("loose");
    machine.removeCalendarEvent("loose");
    machine.notifyCalendarChanged();
    time.settle();
    EXPECT_EQ(notices, 8) << "grant, change, one removal and the bare notice; removing nothing is silent";
    EXPECT_EQ(machine.events().events(0, 5000).at(0).title, "Algebra");
    MachineState::CalendarEvent absent;
    absent.id = "absent";
    EXPECT_THROW(machine.changeCalendarEvent(absent), OperationError);

    machine.failCalls("events", 1);
    EXPECT_THAT(ids(0, 5000), IsEmpty());
    EXPECT_EQ(machine.calls("events"), 7);
}

TEST_F(SimulatedMachineTest, BrowserScriptsAnswerByPermissionFrontWindowAndInjectedError) {
    const std::string chromium = "tell application id \"org.mozilla.firefox\"\nreturn URL of active tab of front window\nend tell";
    const std::string safari =
        "tell application id \"org.mozilla.firefox\"\nreturn (name of front window) & linefeed & (URL of current tab of front window)\nend tell";
    BrowserScripting& scripting = machine.scripting();
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", true), BrowserScripting::appNotRunning);
    EXPECT_EQ(scripting.run(chromium).error, BrowserScripting::appNotRunning);

    const int pid = machine.launch("org.mozilla.firefox");
    const auto subscription = observe(pid);
    time.settle();
    log.clear();
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", false), BrowserScripting::wouldRequireConsent);
    EXPECT_EQ(machine.automationQuestions(), 0);
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", true), BrowserScripting::granted);
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", false), BrowserScripting::granted);
    EXPECT_EQ(machine.automationQuestions(), 1) << "asked once, remembered after";

    EXPECT_EQ(scripting.run(chromium), ScriptResult::success("")) << "no window";
    machine.showTab("org.mozilla.firefox", {"https://a.org/x", "Page A", false});
    time.settle();
    EXPECT_THAT(log, ElementsAre(std::string(accessibility::titleChanged) + " 1")) << "the window is named after the page";
    machine.showTab("org.mozilla.firefox", {"https://a.org/y", "Page A", false});
    time.settle();
    EXPECT_EQ(log.size(), 1u) << "the same title again is no notice";
    EXPECT_EQ(scripting.run(chromium), ScriptResult::success("https://a.org/y"));
    EXPECT_EQ(scripting.run(safari), ScriptResult::success("Page A\nhttps://a.org/y"));
    machine.showTab("org.mozilla.firefox", {"https://b.org", "Secret", true});
    EXPECT_EQ(scripting.run(chromium), ScriptResult::success("private"));
    EXPECT_EQ(scripting.run(safari), ScriptResult::success("")) << "a private window is invisible to that script";
    machine.closeTabs("org.mozilla.firefox");
    EXPECT_EQ(scripting.run(chromium), ScriptResult::success(""));
    EXPECT_EQ(scripting.run("tell application id \"org.mozilla.firefox\"\nbeep\nend tell").error,
              BrowserScripting::notUnderstood);
    EXPECT_EQ(scripting.run("beep").error, BrowserScripting::notUnderstood);

    machine.setAutomation("org.mozilla.firefox", {MachineState::Permission::granted, MachineState::Permission::granted,
                                                  BrowserScripting::timedOut});
    EXPECT_EQ(scripting.run(chromium).error, BrowserScripting::timedOut);
    machine.setAutomation("org.mozilla.firefox", {MachineState::Permission::denied, MachineState::Permission::granted,
                                                  std::nullopt});
    EXPECT_EQ(scripting.run(chromium).error, BrowserScripting::notPermitted);
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", true), BrowserScripting::notPermitted);
    machine.setAutomation("org.mozilla.firefox", {MachineState::Permission::notDetermined,
                                                  MachineState::Permission::denied, std::nullopt});
    EXPECT_EQ(scripting.run(chromium).error, BrowserScripting::notPermitted) << "a script asks, the user refuses";
    EXPECT_EQ(machine.automationQuestions(), 2);

    machine.setAutomation("org.mozilla.firefox", {MachineState::Permission::granted, MachineState::Permission::granted,
                                                  std::nullopt});
    machine.failCalls("automationPermission", 1);
    machine.failCalls("runScript", 1);
    EXPECT_EQ(scripting.permission("org.mozilla.firefox", false), BrowserScripting::notPermitted);
    EXPECT_EQ(scripting.run(chromium).error, BrowserScripting::timedOut);
    EXPECT_EQ(scripting.run(chromium), ScriptResult::success(""));
    EXPECT_EQ(machine.calls("runScript"), 14);
    EXPECT_EQ(machine.scriptsRun().size(), 14u);
    EXPECT_EQ(machine.scriptsRun().front(), chromium);
}

TEST_F(SimulatedMachineTest, RolesReportTheirAvailability) {
    EXPECT_TRUE(machine.accessibility().availability().available);
    machine.setAvailability("accessibility", Availability::no("no accessibility bus"));
    EXPECT_EQ(machine.accessibility().availability(), Availability::no("no accessibility bus"));
    EXPECT_TRUE(machine.workspace().availability().available);
    machine.setAvailability("accessibility", Availability::yes());
    EXPECT_TRUE(machine.accessibility().availability().available);
}

// ---- The state file ----

// A state with every field away from its default, so that a field the codec forgets shows.
MachineState everyField() {
    MachineState state = MachineState::withOwnApp();
    MachineState::App app;
    app.pid = 2001;
    app.bundleID = "org.mozilla.firefox";
    app.name = "Firefox";
    app.path = "/usr/lib/firefox";
    app.regular = false;
    app.hidden = true;
    MachineState::Window window{7, "AXDialog", "Title", "/home/student/a.txt", Rect{1.5, -2, 300, 200}, true};
    MachineState::Window plain;
    plain.id = 8;
    app.windows = {window, plain};
    app.focusedWindow = 7;
    state.apps.push_back(app);
    state.installed.push_back({"org.gnome.TextEditor", "Text Editor", "/usr/bin/te", false, {MachineState::Window{}}});
    state.frontPid = 2001;
    state.ownPid = 1000;
    state.nextPid = 3000;
    state.nextWindowID = 9;
    state.defaultHandlers = {{"https", "org.mozilla.firefox"}};
    state.openedURLs = {{"https://a.org", "org.mozilla.firefox"}, {"file:///x", std::nullopt}};
    state.locked = true;
    state.asleep = true;
    state.idleSeconds = std::nullopt;
    state.wakeLocks = {"recording"};
    state.trusted = false;
    state.messagingTimeout = 1.0;
    state.loginRecords = {{7, "seat0", "student", 1757900000, 250000}, {8, "pts/0", "", -5, 0}};
    state.userName = "pupil";
    state.uptime = 42.25;
    state.unavailable = {{"logins", "no utmp"}};
    state.displays = {{"eDP-1", "Built-in", Rect{0, 0, 1280, 800}, 2, true, 1, "UUID-1"},
                      {"DP-2", "Projector", Rect{1280, 0, 1024, 768}, 1, false, std::nullopt, std::nullopt}};
    state.mainDisplay = "DP-2";
    state.displayKeptAwake = true;
    state.audioDevices = {{"mic", "Microphone", false, AudioTransport::usb, "imic", std::nullopt, true},
                          {"tv", "TV", true, AudioTransport::hdmi, std::nullopt, 0.25, std::nullopt}};
    state.defaultOutput = "mic";
    state.wifiNetwork = "School";
    state.location = MachineState::Location{52.5, 13.4, 35};
    state.locationAuthorization = MachineState::LocationAuthorization::whenInUse;
    state.power = {MachineState::PowerSource::ups, 4100, true, 5000};
    state.calendars = {{"school", "School"}};
    MachineState::CalendarEvent allDayClass;
    allDayClass.id = "e1";
    allDayClass.calendarID = "school";
    allDayClass.title = "Maths";
    allDayClass.start = 1757919600;
    allDayClass.end = 1757923200;
    allDayClass.allDay = true;
    allDayClass.location = "Room 4";
    allDayClass.notes = "bring ruler";
    allDayClass.url = "https://meet";
    state.events = {allDayClass};
    MachineState::CalendarEvent detailed;
    detailed.id = "e2";
    detailed.start = std::nullopt;
    detailed.externalID = "ext-2";
    detailed.status = EventStatus::tentative;
    detailed.attendees = {{"Ada", false, Participation::accepted}, {"Me", true, Participation::declined}};
    detailed.occurrence = 1757919000.5;
    detailed.recurring = true;
    detailed.detached = true;
    state.events.push_back(detailed);
    state.calendarAnswer = MachineState::Permission::denied;
    state.loginItems = {"org.ostrel.Ostrel"};
    state.keychain = {{"ostrel.sync", "student", "s3cret"}};
    state.permissions = {{"calendar", MachineState::Permission::granted}, {"screenCapture", MachineState::Permission::denied}};
    state.frontTabs = {{"org.mozilla.firefox", {"https://a.org", "A", true}}};
    state.automation = {{"org.mozilla.firefox", {MachineState::Permission::denied, MachineState::Permission::notDetermined, -1712}}};
    state.shortcuts = {"Focus Mode", "", "Log \"Homework\""};
    return state;
}

TEST(MachineStateTest, EveryFieldSurvivesASaveAndLoadAndNoTemporaryFileIsLeft) {
    const test::TempDir folder;
    const MachineState state = everyField();
    state.save(folder / "machine.json");
    EXPECT_EQ(MachineState::load(folder / "machine.json"), state);
    EXPECT_EQ(MachineState::fromJSON(state.toJSON()), state);
    MachineState::withOwnApp().save(folder / "machine.json");
    EXPECT_EQ(MachineState::load(folder / "machine.json"), MachineState::withOwnApp()) << "saving replaces";
    EXPECT_EQ(test::namesIn(folder.path()), std::set<std::string>{"machine.json"});
}

TEST(MachineStateTest, SavingIntoAMissingFolderOrLoadingAMissingFileThrows) {
    const test::TempDir folder;
    EXPECT_THROW(MachineState().save(folder / "absent" / "machine.json"), MachineStateError);
    EXPECT_THROW(MachineState::load(folder / "machine.json"), MachineStateError);
}

TEST(MachineStateTest, TheReadmeExampleLoads) {
    const std::filesystem::path readme =
        std::filesystem::path(__FILE__).parent_path() / "../../src/platform/sim/README.md";
    std::ifstream input(readme);
    ASSERT_TRUE(input) << readme;
    std::stringstream text;
    text << input.rdbuf();
    const std::string markdown = text.str();
    const auto start = markdown.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    const auto end = markdown.find("```", start + 8);
    const MachineState state = MachineState::fromJSON(json::parse(markdown.substr(start + 8, end - start - 8)));

    SimulatedMachine machine(state);
    const std::optional<RunningApp> front = machine.workspace().frontmost();
    ASSERT_TRUE(front.has_value()) << "the first example in the README is the whole state file's";
    EXPECT_EQ(front->bundleID, "org.mozilla.firefox");
    EXPECT_EQ(machine.accessibility().subrole({2001, 8}), "AXDialog");
    EXPECT_EQ(machine.accessibility().subrole({2001, 7}), accessibility::standardWindow);
    EXPECT_EQ(machine.accessibility().frame({2001, 7}), (Rect{0, 25, 1280, 775}));
    EXPECT_EQ(machine.activity().idleSeconds(), 12.5);
    EXPECT_EQ(machine.logins().records().at(0).microseconds, 250000);
    EXPECT_EQ(state.power.percent, 81);
    const auto screens = machine.displays().screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].id, 1u);
    EXPECT_TRUE(screens[0].main);
    EXPECT_TRUE(screens[0].builtin);
    EXPECT_EQ(state.locationAuthorization, MachineState::LocationAuthorization::always);
    EXPECT_TRUE(machine.appearance().reduceMotion());
    const int editor = machine.launch("org.gnome.TextEditor");
    EXPECT_GT(editor, 2002) << "a new pid reuses none from the file";
    const auto windows = machine.accessibility().windows(editor).value();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_GT(windows[0].id, 8u) << "a new window id reuses none from the file";
    EXPECT_EQ(machine.accessibility().document(windows[0]), "/home/student/essay.txt");
    EXPECT_EQ(machine.commands().run({"list"}, 10), (CommandResult{"Focus Mode\nLog Homework\n", 0, false}));
}

TEST(MachineStateTest, AStateTheMachineCouldNotReachIsRefused) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"two apps with one pid", R"({"apps":[{"pid":5},{"pid":5}]})"},
        {"two windows with one id", R"({"apps":[{"pid":5,"windows":[{"id":3}]},{"pid":6,"windows":[{"id":3}]}]})"},
        {"a window with the app's id", R"({"apps":[{"pid":5,"windows":[{}]}]})"},
        {"a front app that is not running", R"({"apps":[{"pid":5}],"frontPid":6})"},
        {"a focused window the app lacks", R"({"apps":[{"pid":5,"windows":[{"id":3}],"focusedWindow":4}]})"},
        {"an unknown permission", R"({"permissions":{"calendar":"maybe"}})"},
        {"an unknown power source", R"({"power":{"source":"solar"}})"},
        {"an event without an end key", R"({"events":[{"id":"e","start":1}]})"},
        {"an unknown event status", R"({"events":[{"id":"e","start":1,"end":2,"status":"moved"}]})"},
        {"an unknown participation",
         R"({"events":[{"id":"e","start":1,"end":2,"attendees":[{"participation":"maybe"}]}]})"},
        {"a frame without a width", R"({"displays":[{"id":"d","frame":{"x":0,"y":0,"height":1}}]})"},
        {"a pid as text", R"({"apps":[{"pid":"5"}]})"},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(MachineState::fromJSON(json::parse(text)), json::DecodingError);
    }
    EXPECT_EQ(MachineState::fromJSON(json::parse("{}")), MachineState()) << "every key may be left out";
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

TEST(SimulatedCommandsTest, TheToolListsTheStatesShortcutsAndRunsOnlyListedOnes) {
    MachineState state = MachineState::withOwnApp();
    state.shortcuts = {"Focus Mode", "Log Homework"};
    SimulatedMachine machine(state);
    CommandRunner& commands = machine.commands();
    struct Case {
        std::vector<std::string> arguments;
        CommandResult result;
    };
    const std::vector<Case> cases = {
        {{"list"}, {"Focus Mode\nLog Homework\n", 0, false}},
        {{"run", "Log Homework"}, {"", 0, false}},
        {{"run", "Log homework"}, {"", 1, false}},
        {{"run"}, {"", 64, false}},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(commands.run(item.arguments, 10), item.result) << item.arguments.size();
    }
    machine.failCalls("commandRun", 1);
    EXPECT_EQ(commands.run({"list"}, 10), std::nullopt);
    commands.start({"run", "Focus Mode"}, 300);
    EXPECT_EQ(machine.commandsRun().size(), cases.size() + 2);
    EXPECT_EQ(machine.commandsRun().back(), (SimulatedMachine::CommandRun{{"run", "Focus Mode"}, 300, false}));

    machine.setAvailability("commands", Availability::no("no tool"));
    EXPECT_EQ(commands.availability(), Availability::no("no tool"));
    EXPECT_EQ(commands.run({"list"}, 10), std::nullopt);
    commands.start({"run", "Focus Mode"}, 300);
    EXPECT_EQ(machine.commandsRun().size(), cases.size() + 2) << "nothing runs without the tool";
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// A desktop names a window's document by file URL; the window source keeps nothing else.
TEST_F(SimulatedMachineTest, AnOpenedDocumentsWindowNamesItByFileURL) {
    MachineState state = machine.state();
    state.documents.push_back("/home/student/Lab Notes/week 1.txt");
    state.documentHandlers["txt"] = "org.gnome.TextEditor";
    machine.setState(state);
    std::optional<OpenOutcome> outcome;
    machine.workspace().openDocument("/home/student/Lab Notes/week 1.txt", true,
                                     [&outcome](const OpenOutcome& done) { outcome = done; });
    time.settle();
    ASSERT_TRUE(outcome && outcome->app);
    const WindowElement front = machine.accessibility().focusedWindow(outcome->app->pid).value();
    EXPECT_EQ(machine.accessibility().document(front), "file:///home/student/Lab%20Notes/week%201.txt");
}

} // namespace
} // namespace ostrel
