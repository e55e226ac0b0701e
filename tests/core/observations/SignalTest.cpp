#include "core/observations/Signal.hpp"

#include <set>
#include <unordered_set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Signal, NamedSignalsHaveTheirStoredNames) {
    const struct {
        const Signal& signal;
        const char* raw;
    } cases[] = {
        {Signal::quevStart, "quev.start"},
        {Signal::appLaunch, "app.launch"},
        {Signal::appActivate, "app.activate"},
        {Signal::appHide, "app.hide"},
        {Signal::appUnhide, "app.unhide"},
        {Signal::appQuit, "app.quit"},
        {Signal::appsRunning, "apps.running"},
        {Signal::userIdle, "user.idle"},
        {Signal::userActive, "user.active"},
        {Signal::wake, "system.wake"},
        {Signal::sleep, "system.sleep"},
        {Signal::lock, "screen.lock"},
        {Signal::unlock, "screen.unlock"},
        {Signal::displays, "displays"},
        {Signal::audio, "audio"},
        {Signal::audioDevices, "audio.devices"},
        {Signal::wifi, "wifi"},
        {Signal::location, "location"},
        {Signal::power, "power"},
        {Signal::eventStart, "calendar.event_start"},
        {Signal::windowFocus, "window.focus"},
        {Signal::windowOpen, "window.open"},
        {Signal::windowClose, "window.close"},
        {Signal::windowFrame, "window.frame"},
        {Signal::windowMinimize, "window.minimize"},
        {Signal::windowUnminimize, "window.unminimize"},
        {Signal::windowChange, "window.change"},
        {Signal::windows, "windows"},
        {Signal::quevRun, "quev.run"},
        {Signal::quevUndo, "quev.undo"},
        {Signal::quevTidy, "quev.tidy"},
        {Signal::quevAnswer, "quev.answer"},
        {Signal::browserTab, "browser.tab"},
    };
    std::unordered_set<Signal> distinct;
    for (const auto& c : cases) {
        EXPECT_EQ(c.signal.rawValue, c.raw);
        EXPECT_EQ(c.signal.description(), c.raw);
        EXPECT_EQ(Signal(c.raw), c.signal);
        distinct.insert(c.signal);
    }
    EXPECT_EQ(distinct.size(), 33u);

    // Any other text is a signal too, equal to no named one.
    const Signal unknown("app.teleport");
    EXPECT_EQ(unknown.rawValue, "app.teleport");
    EXPECT_EQ(distinct.count(unknown), 0u);
    EXPECT_NE(Signal("App.Launch"), Signal::appLaunch);
}

} // namespace
} // namespace ostrel
