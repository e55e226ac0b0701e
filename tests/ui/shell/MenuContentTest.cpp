// What the status menu shows for a status: the header (first of store error, pause, next event,
// nothing), the rows and their badges, the panel's size and art, the tooltip, and when a pause for
// today ends, walked by the calendar across clock changes.

#include "ui/shell/MenuContent.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel::ui {
namespace {

UpcomingEvent event(std::string title, std::string when, std::string plan) {
    UpcomingEvent next;
    next.event.title = std::move(title);
    next.event.start = 1'757'916'000'000;
    next.event.end = next.event.start + 3'600'000;
    next.when = std::move(when);
    next.plan = std::move(plan);
    return next;
}

MenuStatus with(auto change) {
    MenuStatus status;
    change(status);
    return status;
}

TEST(MenuContent, HeaderTakesTheFirstThatApplies) {
    struct Case {
        const char* name;
        MenuStatus status;
        MenuHeader header;
    };
    const std::vector<Case> cases = {
        {"store error beats everything",
         with([](MenuStatus& s) {
             s.storeError = "disk I/O error";
             s.paused = true;
             s.nextUp = event("Calculus", "Now", "Opens Notes");
         }),
         {"Ostrel", "Can't open its data", "Quit and open it again. If that doesn't help, tell Oruki."}},
        {"pause beats the next event",
         with([](MenuStatus& s) {
             s.paused = true;
             s.nextUp = event("Calculus", "Now", "Opens Notes");
         }),
         {"Paused", "Resting until tomorrow", "Ostrel won't set anything up today."}},
        {"an event under way shows its plan alone",
         with([](MenuStatus& s) { s.nextUp = event("Calculus", "Now", "Opens Notes and the class page"); }),
         {"Now", "Calculus", "Opens Notes and the class page"}},
        {"a later event shows when and plan",
         with([](MenuStatus& s) { s.nextUp = event("Chemistry", "Tomorrow 9:00", "Opens Safari"); }),
         {"Next", "Chemistry", "Tomorrow 9:00 \u00B7 Opens Safari"}},
        {"a later event without a plan shows when alone",
         with([](MenuStatus& s) { s.nextUp = event("Chemistry", "14:30", ""); }),
         {"Next", "Chemistry", "14:30"}},
        {"an event under way without a plan has no line",
         with([](MenuStatus& s) { s.nextUp = event("Chemistry", "Now", ""); }), {"Now", "Chemistry", ""}},
        {"an untitled event",
         with([](MenuStatus& s) { s.nextUp = event("", "Now", "Opens Notes"); }),
         {"Now", "Untitled event", "Opens Notes"}},
        {"\"now\" in another case is a time like any other",
         with([](MenuStatus& s) { s.nextUp = event("Art", "now", "Opens Notes"); }),
         {"Next", "Art", "now \u00B7 Opens Notes"}},
        {"nothing, calendar readable",
         with([](MenuStatus& s) { s.calendarReadable = true; }),
         {"Ostrel", "Nothing else today", "It'll get your computer ready for what's next."}},
        {"nothing, no calendar", MenuStatus{},
         {"Ostrel", "Nothing else today", "Pick a calendar in Settings so it knows your classes."}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(MenuContent::of(test.status).header, test.header);
    }
}

std::vector<std::string> titles(const MenuContent& content) {
    std::vector<std::string> result;
    for (const MenuItem& item : content.items) {
        result.push_back(item.title + (item.badge ? " [" + *item.badge + "]" : ""));
    }
    return result;
}

TEST(MenuContent, RowsFollowTheStatus) {
    struct Case {
        const char* name;
        MenuStatus status;
        std::vector<std::string> rows;
    };
    const std::vector<std::string> tail = {"Routines", "Your time", "Settings", "Quit Ostrel"};
    auto rows = [&](std::vector<std::string> head) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::vector<Case> cases = {
        {"the base rows", MenuStatus{}, rows({"Pause for today"})},
        {"paused", with([](MenuStatus& s) { s.paused = true; }), rows({"Resume setups"})},
        {"setup left, with its count",
         with([](MenuStatus& s) { s.setupRemaining = 3; }), rows({"Finish setting up [3 left]", "Pause for today"})},
        {"a last run to undo",
         with([](MenuStatus& s) { s.lastRunName = "Calculus"; }), rows({"Undo Calculus", "Pause for today"})},
        {"a last run without a name",
         with([](MenuStatus& s) { s.lastRunName = ""; }), rows({"Undo last setup", "Pause for today"})},
        {"everything",
         with([](MenuStatus& s) {
             s.setupRemaining = 1;
             s.lastRunName = "Morning";
             s.paused = true;
         }),
         rows({"Finish setting up [1 left]", "Undo Morning", "Resume setups"})},
        {"no setup left below one", with([](MenuStatus& s) { s.setupRemaining = -2; }), rows({"Pause for today"})},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(titles(MenuContent::of(test.status)), test.rows);
    }
}

TEST(MenuContent, EachRowHasItsActionAndSymbol) {
    const MenuContent content = MenuContent::of(with([](MenuStatus& s) {
        s.setupRemaining = 2;
        s.lastRunName = "Calculus";
    }));
    const std::vector<std::pair<MenuAction, std::string>> expected = {
        {MenuAction::finishSetup, "exclamationmark.circle.fill"},
        {MenuAction::undo, "arrow.uturn.backward"},
        {MenuAction::pause, "pause.circle"},
        {MenuAction::routines, "sparkles"},
        {MenuAction::time, "chart.bar"},
        {MenuAction::settings, "gearshape"},
        {MenuAction::quit, "power"},
    };
    ASSERT_EQ(content.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(content.items[i].action, expected[i].first) << i;
        EXPECT_EQ(content.items[i].symbol, expected[i].second) << i;
    }
    EXPECT_EQ(MenuContent::of(with([](MenuStatus& s) { s.paused = true; })).items[0].symbol, "play.circle");
}

TEST(MenuContent, SizeArtAndToolTipFollowTheRowCount) {
    struct Case {
        const char* name;
        MenuStatus status;
        int rows;
        int height;
        std::string art;
        std::string toolTip;
    };
    const std::vector<Case> cases = {
        {"base", MenuStatus{}, 5, 435, "menu-5", "Ostrel"},
        {"undo", with([](MenuStatus& s) { s.lastRunName = "Calculus"; }), 6, 470, "menu-6", "Ostrel"},
        {"setup", with([](MenuStatus& s) { s.setupRemaining = 4; }), 6, 470, "menu-6",
         "Ostrel \u2014 finish setting up"},
        {"both",
         with([](MenuStatus& s) {
             s.setupRemaining = 1;
             s.lastRunName = "Calculus";
         }),
         7, 505, "menu-7", "Ostrel \u2014 finish setting up"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const MenuContent content = MenuContent::of(test.status);
        EXPECT_EQ(MenuContent::rowCount(test.status), test.rows);
        EXPECT_EQ(content.rowCount(), test.rows);
        EXPECT_EQ(content.height(), test.height);
        EXPECT_EQ(content.art(), test.art);
        EXPECT_EQ(MenuContent::toolTip(test.status), test.toolTip);
    }
}

TEST(MenuContent, ActionsReadBackFromTheirNames) {
    for (const MenuAction action : {MenuAction::finishSetup, MenuAction::undo, MenuAction::pause, MenuAction::resume,
                                    MenuAction::routines, MenuAction::time, MenuAction::settings, MenuAction::quit}) {
        EXPECT_EQ(menuActionFromString(toString(action)), action) << toString(action);
    }
    EXPECT_EQ(menuActionFromString("Quit"), std::nullopt);
    EXPECT_EQ(menuActionFromString(""), std::nullopt);
}

TEST(MenuContent, APauseEndsAtTheStartOfTheNextLocalDay) {
    struct Case {
        const char* name;
        const char* zone;
        std::int64_t now; // ms
        std::int64_t end; // ms
    };
    const std::vector<Case> cases = {
        // 2025-06-10 23:59 in Berlin: the coming midnight, a minute later.
        {"a minute before midnight", "Europe/Berlin", 1'749'592'740'000, 1'749'592'800'000},
        // Midnight itself belongs to its day: the pause runs a whole day.
        {"at midnight", "Europe/Berlin", 1'749'592'800'000, 1'749'679'200'000},
        // 2025-03-09, a 23-hour day in New York: midnight of the 10th, not 01:00.
        {"spring forward, morning", "America/New_York", 1'741'528'800'000, 1'741'579'200'000},
        {"spring forward, 23:59", "America/New_York", 1'741'579'140'000, 1'741'579'200'000},
        // 2025-11-02, a 25-hour day: midnight of the 3rd, not 23:00 of the 2nd.
        {"fall back, morning", "America/New_York", 1'762'095'600'000, 1'762'146'000'000},
        {"fall back, at its midnight", "America/New_York", 1'762'056'000'000, 1'762'146'000'000},
        // 2018-11-04 in São Paulo began at 01:00: the clocks skipped midnight.
        {"midnight skipped", "America/Sao_Paulo", 1'541'293'200'000, 1'541'300'400'000},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const Calendar calendar(test.zone, "en_US");
        EXPECT_EQ(MenuContent::pauseEnd(static_cast<double>(test.now) / 1000, calendar), test.end);
    }
}

} // namespace
} // namespace ostrel::ui
