// `ostrel-dev menu` as others read it: the panel's size, art, place, header, rows, tooltip and
// pause end for a state file, after a pressed row, and one line on stderr for what it cannot use.
// `ostrel-dev shot menu` draws the same states.

#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;

json::Value menu(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"menu"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const auto result = runProgram(OSTREL_DEV_PATH, all);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return json::parse(result.out);
}

TEST(MenuCommand, TheDefaultStateIsTheBaseMenuUnderAnIconAtTheTopRight) {
    const auto result = runProgram(OSTREL_DEV_PATH, {"menu"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              R"({"art":"menu-5","header":{"caption":"Ostrel","line":"Pick a calendar in Settings so it knows your classes.",)"
              R"("title":"Nothing else today"},"pausedUntil":null,"position":[1056,28],"rows":[)"
              R"({"action":"pause","badge":null,"symbol":"pause.circle","title":"Pause for today"},)"
              R"({"action":"routines","badge":null,"symbol":"sparkles","title":"Routines"},)"
              R"({"action":"time","badge":null,"symbol":"chart.bar","title":"Your time"},)"
              R"({"action":"settings","badge":null,"symbol":"gearshape","title":"Settings"},)"
              R"({"action":"quit","badge":null,"symbol":"power","title":"Quit Ostrel"}],)"
              R"("size":[380,435],"tooltip":"Ostrel"})"
              "\n");
}

TEST(MenuCommand, FollowsTheStateFile) {
    const test::TempDir folder;
    struct Case {
        const char* name;
        std::string state;
        std::vector<std::string> arguments; // after the state file
        std::vector<std::pair<std::string, json::Value>> expected; // JSON pointer, value
    };
    const std::vector<Case> cases = {
        {"setup and undo: seven rows",
         R"({"setupRemaining": 2, "lastRunName": "Calculus", "calendarReadable": true})",
         {},
         {{"/size", {380, 505}},
          {"/art", "menu-7"},
          {"/rows/0", {{"action", "finishSetup"}, {"badge", "2 left"}, {"symbol", "exclamationmark.circle.fill"},
                       {"title", "Finish setting up"}}},
          {"/rows/1/title", "Undo Calculus"},
          {"/tooltip", "Ostrel \u2014 finish setting up"},
          {"/header/line", "It'll get your computer ready for what's next."}}},
        {"a later event",
         R"({"nextUp": {"title": "Chemistry", "when": "14:30", "plan": "Opens Notes"}, "storeError": null})",
         {},
         {{"/header", {{"caption", "Next"}, {"title", "Chemistry"}, {"line", "14:30 \u00B7 Opens Notes"}}}}},
        {"paused with its end",
         R"({"pausedUntil": 1741579200000})",
         {},
         {{"/header/caption", "Paused"}, {"/rows/0/action", "resume"}, {"/pausedUntil", 1741579200000}}},
        {"a bottom tray on a side screen",
         R"({"screens": [{"geometry": [0, 0, 1440, 900]},
                         {"geometry": [1440, -200, 1920, 1200], "available": [1440, -200, 1920, 1160]}],
             "anchor": [2400, 800, 30, 30]})",
         {},
         {{"/position", {2225, 800 + 14 - 435}}}},
        {"no icon frame: the pointer", R"({"anchor": null, "pointer": [300, 10]})", {}, {{"/position", {110, 28}}}},
        {"neither: the top right", R"({"anchor": null})", {}, {{"/position", {1056, 28}}}},
        // 23:59 on New York's 23-hour day: the pause ends a minute later, at midnight.
        {"pause at 23:59 on a clock change", "{}",
         {"--press", "pause", "--tz", "America/New_York", "--at", "1741579140000"},
         {{"/pausedUntil", 1741579200000}, {"/header/title", "Resting until tomorrow"}, {"/rows/0/action", "resume"}}},
        {"resume clears the pause", R"({"pausedUntil": 1741579200000})", {"--press", "resume"},
         {{"/pausedUntil", nullptr}, {"/rows/0/action", "pause"}, {"/header/caption", "Ostrel"}}},
        {"another row leaves the pause", R"({"pausedUntil": 5})", {"--press", "routines"},
         {{"/pausedUntil", 5}, {"/rows/0/action", "resume"}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<std::string> arguments{"--state", folder.write("state.json", test.state)};
        arguments.insert(arguments.end(), test.arguments.begin(), test.arguments.end());
        const json::Value out = menu(arguments);
        for (const auto& [pointer, value] : test.expected) {
            EXPECT_EQ(out.value(json::Value::json_pointer(pointer), json::Value("<missing>")), value) << pointer;
        }
    }
}

TEST(MenuCommand, WhatItCannotUseIsOneLineOnStderrAndStatusOne) {
    const test::TempDir folder;
    const std::vector<std::vector<std::string>> cases = {
        {"--state", folder.write("a.json", "{")},
        {"--state", folder.write("b.json", "[1]")},
        {"--state", folder.write("c.json", R"({"setupRemaining": "two"})")},
        {"--state", folder.write("d.json", R"({"setupRemaining": -1})")},
        {"--state", folder.write("e.json", R"({"screens": [{"geometry": [0, 0, 10]}]})")},
        {"--state", folder.write("f.json", R"({"anchor": [1, 2]})")},
        {"--state", folder.write("g.json", R"({"pointer": [1, 2, 3]})")},
        {"--state", folder.write("h.json", R"({"nextUp": {"title": 3}})")},
        {"--state", (folder / "missing.json").string()},
        {"--press", "dance"},
        {"--press", "undo"}, // no last run: no such row
        {"--press", "pause"}, // no zone, no moment
        {"--press", "pause", "--tz", "Mars/Olympus", "--at", "0"},
        {"--press", "pause", "--tz", "UTC", "--at", "soon"},
        {"stray"},
    };
    for (const auto& arguments : cases) {
        std::vector<std::string> all{"menu"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        SCOPED_TRACE(arguments.back());
        const auto result = runProgram(OSTREL_DEV_PATH, all);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev menu: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(MenuShotCommand, DrawsThePanelAtItsSizeWithTheHoveredRowsCapsule) {
    const test::TempDir folder;
    struct Case {
        std::string state;
        QSize size;
    };
    const std::vector<Case> cases = {
        {"{}", {380, 435}},
        {R"({"setupRemaining": 1, "lastRunName": "Calculus", "hover": 2})", {380, 505}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.state);
        const std::string out = (folder / "menu.png").string();
        const auto result =
            runProgram(OSTREL_DEV_PATH, {"shot", "menu", "--out", out, "--state", folder.write("s.json", test.state)});
        ASSERT_EQ(result.status, 0) << result.err;
        const QImage image(QString::fromStdString(out));
        EXPECT_EQ(image.size(), test.size);
    }
    // Row 2 starts at 200 + 2 * 35; its capsule's right end, past any text, is the horizon's blue.
    const QImage hovered(QString::fromStdString((folder / "menu.png").string()));
    EXPECT_EQ(hovered.pixelColor(48 + 284 - 20, 200 + 2 * 35 + 16).rgb(), QColor::fromRgbF(0.86f, 0.93f, 0.99f).rgb());

    const auto bad = runProgram(OSTREL_DEV_PATH, {"shot", "menu", "--out", (folder / "x.png").string(), "--state",
                                                  folder.write("bad.json", R"({"hover": 5})")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("ostrel-dev shot: menu: \"hover\"", 0), 0u) << bad.err;
}

} // namespace
} // namespace ostrel
