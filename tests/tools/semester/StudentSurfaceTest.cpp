#include "semester/StudentSurface.hpp"

#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/RecordingSurface.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace ostrel::semester {
namespace {

// What the student did with many banners of one kind: presses by label, and the latest look.
struct Outcome {
    std::map<std::string, int> pressed;
    int shown = 0;
    double longestLook = 0;
};

Outcome answer(const BannerContent& content, StudentSurface::Odds odds, int banners) {
    VirtualTime time;
    VirtualRuntime runtime(time);
    Outcome outcome;
    Date shownAt = 0;
    Banner* reach = nullptr;
    StudentSurface surface(runtime.main(), 11, odds, [&reach] { return reach; }, [&](const json::Value& press) {
        ++outcome.pressed[press.at("button").get<std::string>()];
        outcome.longestLook = std::max(outcome.longestLook, time.clock().now() - shownAt);
    });
    Banner banner(surface, runtime.main());
    reach = &banner;
    for (int i = 0; i < banners; ++i) {
        shownAt = time.clock().now();
        Banner::View view{content.title, content.detail, std::nullopt, Banner::Button{*content.secondary, {}}};
        if (content.isQuestion()) {
            view.primary = Banner::Button{*content.primary, {}};
        }
        banner.show(view, 120);
        ++outcome.shown;
        time.advance(200); // past every look and every time-out
    }
    return outcome;
}

TEST(StudentSurfaceTest, AnswersWithTheOddsItWasGiven) {
    const BannerContent question{"Set up Calculus?", "Opens Notes", "Set up", "Not now"};
    Outcome usual = answer(question, {0.8, 0.15, 0.05}, 400);
    EXPECT_NEAR(usual.pressed["Set up"] / 400.0, 0.8, 0.06);
    EXPECT_NEAR(usual.pressed["Not now"] / 400.0, 0.15, 0.05);
    EXPECT_LE(usual.longestLook, StudentSurface::longestLook);

    Outcome always = answer(question, {1, 0, 0}, 50);
    EXPECT_EQ(always.pressed["Set up"], 50);
    const Outcome never = answer(question, {0, 0, 0}, 50);
    EXPECT_TRUE(never.pressed.empty()); // every question times out

    const BannerContent result{"Calculus is set up", "Opened 3", std::nullopt, "Undo"};
    const Outcome undone = answer(result, {1, 0, 1}, 30);
    EXPECT_EQ(undone.pressed.at("Undo"), 30);
    EXPECT_LE(undone.longestLook, StudentSurface::longestUndo); // before the result's 10 s are up
    EXPECT_TRUE(answer(result, {1, 0, 0}, 30).pressed.empty());
    const BannerContent ok{"Nothing to tidy", "", std::nullopt, "OK"};
    EXPECT_TRUE(answer(ok, {1, 1, 1}, 30).pressed.empty()); // only Undo is ever pressed
}

TEST(StudentSurfaceTest, TheSameSeedAnswersTheSameWay) {
    const BannerContent question{"Set up Physics?", "", "Set up", "Not now"};
    const Outcome first = answer(question, {0.5, 0.3, 0}, 100);
    const Outcome second = answer(question, {0.5, 0.3, 0}, 100);
    EXPECT_EQ(first.pressed, second.pressed);
}

} // namespace
} // namespace ostrel::semester
