// Where the status menu's panel goes on the two screens of tests/ui/screens.json: a primary
// 1440 x 900 at the origin with a 28-pixel top panel, and a 1920 x 1200 screen to its right whose
// top is 200 pixels higher, with its panel at the bottom.

#include "ui/shell/MenuPlacement.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace ostrel::ui {
namespace {

using Point = MenuPlacement::Point;

const std::vector<MenuPlacement::Screen> screens = {
    {{0, 0, 1440, 900}, {0, 28, 1440, 872}},
    {{1440, -200, 1920, 1200}, {1440, -200, 1920, 1160}},
};

TEST(MenuPlacement, PutsThePanelUnderOrAboveItsIconAndKeepsItOnItsScreen) {
    struct Case {
        const char* name;
        std::optional<Rect> anchor;
        std::optional<Rect> pointer;
        double height;
        Point at;
    };
    const std::vector<Case> cases = {
        {"centred under an icon in the middle", Rect{700, 2, 24, 24}, std::nullopt, 435, {522, 28}},
        {"overlaps the icon where the panel leaves room", Rect{700, 40, 24, 24}, std::nullopt, 435, {522, 50}},
        {"near the right edge stays 4 inside", Rect{1410, 2, 24, 24}, std::nullopt, 435, {1440 - 384, 28}},
        {"near the left edge stays 4 inside", Rect{2, 2, 24, 24}, std::nullopt, 435, {4, 28}},
        {"on the side screen, right edge", Rect{3340, -198, 16, 16}, std::nullopt, 470, {3360 - 384, -182 - 14}},
        {"on the side screen, left edge", Rect{1442, -198, 16, 16}, std::nullopt, 470, {1444, -182 - 14}},
        // The side screen's tray is at its bottom: the panel opens upward, over the icon's top edge.
        {"the lower half opens upward", Rect{2400, 800, 30, 30}, std::nullopt, 505, {2225, 800 + 14 - 505}},
        {"a bottom tray puts it above, inside the available area", Rect{2400, 970, 30, 30}, std::nullopt, 505,
         {2225, 960 - 505}},
        // A centre just off both screens takes the nearest one.
        {"off every screen: the nearest", Rect{1000, 950, 10, 10}, std::nullopt, 435, {815, 900 - 435}},
        {"no icon frame: the pointer stands in", std::nullopt, Rect{3000, 700, 0, 0}, 435, {2810, 700 + 14 - 435}},
        {"no icon frame, pointer at the top", std::nullopt, Rect{300, 10, 0, 0}, 435, {110, 28}},
        {"neither: the primary's top right", std::nullopt, std::nullopt, 435, {1440 - 384, 28}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(MenuPlacement::place(test.anchor, test.pointer, screens, test.height), test.at);
    }
}

TEST(MenuPlacement, TheAnchorsScreenHoldsItsCentreElseIsTheNearest) {
    struct Case {
        const char* name;
        Rect rect;
        int screen;
    };
    const std::vector<Case> cases = {
        {"inside the primary", {100, 100, 10, 10}, 0},
        {"inside the side screen", {2000, -150, 10, 10}, 1},
        {"straddling, centre on the side screen", {1430, 10, 30, 10}, 1},
        {"left of everything", {-500, 100, 10, 10}, 0},
        {"above the side screen", {2000, -400, 10, 10}, 1},
        {"a negative size is read standardised", {110, 110, -10, -10}, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(MenuPlacement::screenOf(test.rect, screens), &screens[static_cast<std::size_t>(test.screen)]);
    }
    EXPECT_EQ(MenuPlacement::screenOf({0, 0, 1, 1}, {}), nullptr);
}

TEST(MenuPlacement, WithoutScreensTheAnchorAloneDecides) {
    EXPECT_EQ(MenuPlacement::place(Rect{500, 0, 20, 20}, std::nullopt, {}, 435), (Point{320, 6}));
    EXPECT_EQ(MenuPlacement::place(std::nullopt, std::nullopt, {}, 435), (Point{0, 0}));
}

} // namespace
} // namespace ostrel::ui
