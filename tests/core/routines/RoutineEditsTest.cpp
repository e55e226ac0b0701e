#include "core/routines/RoutineEdits.hpp"

#include "core/routines/CueWatch.hpp"
#include "support/Printers.hpp"

#include <string>
#include <unordered_set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Mode = RoutineEdits::Mode;
using Placement = RoutineEdits::Placement;

Item item(std::string_view id) {
    return Item::fromId(id).value();
}

// A record with every field away from its default and every kind of cue and placement.
RoutineEdits everything() {
    RoutineEdits edits;
    edits.name = "Physics lab";
    edits.added = {item("app:com.apple.Safari"), item("document:/Users/me/lab.pdf"),
                   item("page:https://example.com/a/b")};
    edits.removed = {item("note:com.apple.Notes:Week 3")};
    edits.putAway = {"com.tinyspeck.slackmacgap"};
    edits.layout = {{"com.apple.Safari", Placement::left()},
                    {"com.apple.Preview", Placement::frame({0, 25, 800, 600})},
                    {"com.apple.Notes", Placement::right()},
                    {"com.apple.Terminal", Placement::full()}};
    edits.cues = {{Cue::Event{"series-1"}},
                  {Cue::Time{{2, 4}, 540}},
                  {Cue::WiFi{"0123456789abcdef", "Campus"}},
                  {Cue::Display{"D-1", "Studio Display"}},
                  {Cue::AudioDevice{"A-1", "AirPods"}},
                  {Cue::App{"com.apple.Notes"}}};
    edits.learnedWhen = false;
    edits.mode = Mode::ask;
    edits.mute = true;
    edits.shortcut = "Focus/Study";
    edits.tidyUp = Mode::automatic;
    edits.pickUp = false;
    edits.deleted = true;
    edits.created = 1'700'000'000'123;
    return edits;
}

constexpr const char* everythingJSON =
    R"({"added":["app:com.apple.Safari","document:/Users/me/lab.pdf","page:https://example.com/a/b"],)"
    R"("created":1700000000123,"cues":[{"event":{"_0":"series-1"}},{"time":{"minute":540,"weekdays":[2,4]}},)"
    R"({"wifi":{"name":"Campus","network":"0123456789abcdef"}},{"display":{"name":"Studio Display","uuid":"D-1"}},)"
    R"({"audioDevice":{"name":"AirPods","uid":"A-1"}},{"app":{"_0":"com.apple.Notes"}}],"deleted":true,)"
    R"("layout":{"com.apple.Notes":{"right":{}},"com.apple.Preview":{"frame":{"_0":{"height":600,"width":800,)"
    R"("x":0,"y":25}}},"com.apple.Safari":{"left":{}},"com.apple.Terminal":{"full":{}}},"learnedWhen":false,)"
    R"("mode":"ask","mute":true,"name":"Physics lab","pickUp":false,"putAway":["com.tinyspeck.slackmacgap"],)"
    R"("removed":["note:com.apple.Notes:Week 3"],"shortcut":"Focus/Study","tidyUp":"automatic"})";

TEST(RoutineEdits, EncodesEveryFieldInTheStoredFormAndReadsItBack) {
    EXPECT_EQ(json::encodeRecord(everything()), everythingJSON);
    EXPECT_EQ(json::decodeRecord<RoutineEdits>(everythingJSON), everything());
}

TEST(RoutineEdits, TheDefaultRecordWritesOnlyItsAlwaysWrittenKeys) {
    EXPECT_EQ(json::encodeRecord(RoutineEdits()),
              R"({"added":[],"cues":[],"deleted":false,"layout":{},"learnedWhen":true,"mute":false,)"
              R"("pickUp":true,"putAway":[],"removed":[]})");
    RoutineEdits off;
    off.mode = Mode::off;
    EXPECT_EQ(json::encodeRecord(off),
              R"({"added":[],"cues":[],"deleted":false,"layout":{},"learnedWhen":true,"mode":"off",)"
              R"("mute":false,"pickUp":true,"putAway":[],"removed":[]})");
}

TEST(RoutineEdits, MissingAndNullKeysTakeTheDefaults) {
    const char* cases[] = {
        "{}",
        R"({"learnedWhen":null,"pickUp":null})",
        R"({"name":null,"added":null,"removed":null,"putAway":null,"layout":null,"cues":null,)"
        R"("learnedWhen":null,"mode":null,"mute":null,"shortcut":null,"tidyUp":null,"pickUp":null,)"
        R"("deleted":null,"created":null})",
        R"({"Name":"x","learned_when":false,"extra":[1,2]})",
    };
    for (const char* text : cases) {
        const auto edits = json::decodeRecord<RoutineEdits>(text);
        EXPECT_EQ(edits, RoutineEdits()) << text;
        EXPECT_TRUE(edits.learnedWhen && edits.pickUp) << text;
    }
}

TEST(RoutineEdits, OneBadValueFailsTheWholeRecord) {
    const struct {
        const char* json;
        const char* message; // the end of the error's text
    } cases[] = {
        {R"({"cues":[{"time":{"weekdays":[2],"minute":480},"app":{"_0":"com.apple.Notes"}}]})",
         "Invalid number of keys found, expected one."},
        {R"({"cues":[{"app":{"_0":"a"}},{}]})", "Invalid number of keys found, expected one."},
        {R"({"layout":{"com.apple.Safari":{"left":null}}})", "expected an object, found null"},
        {R"({"layout":{"com.apple.Safari":{"left":{},"right":{}}}})",
         "Invalid number of keys found, expected one."},
        {R"({"layout":{"com.apple.Safari":{"frame":{"_0":{"x":1,"y":2,"width":3}}}}})",
         "missing key \"height\""},
        {R"({"layout":{"com.apple.Safari":{"frame":{}}}})", "missing key \"_0\""},
        {R"({"layout":[]})", "expected an object, found an array"},
        {R"({"added":["app:com.apple.Safari","bogus"]})", "Not an Item: bogus"},
        {R"({"removed":"app:com.apple.Safari"})", "expected an array, found a string"},
        {R"({"putAway":[1]})", "expected a string, found a number"},
        {R"({"mute":1})", "expected a boolean, found a number"},
        {R"({"pickUp":"true"})", "expected a boolean, found a string"},
        {R"({"mode":"sometimes"})", "not a mode: sometimes"},
        {R"({"tidyUp":"Ask"})", "not a mode: Ask"},
        {R"({"mode":2})", "expected a string, found a number"},
        {R"({"created":1.5})", "is not an integer"},
        {R"({"name":false})", "expected a string, found a boolean"},
        {R"([])", "expected an object, found an array"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        try {
            json::decodeRecord<RoutineEdits>(c.json);
            ADD_FAILURE() << "decoded";
        } catch (const json::DecodingError& error) {
            EXPECT_TRUE(std::string(error.what()).ends_with(c.message)) << error.what();
        }
    }
}

TEST(RoutineEdits, PlacementsReadTheirOneCaseAndIgnoreOtherMembers) {
    const struct {
        const char* json;
        Placement placement;
    } cases[] = {
        {R"({"left":{},"note":"x"})", Placement::left()},
        {R"({"right":{"_0":1}})", Placement::right()},
        {R"({"full":{}})", Placement::full()},
        {R"({"frame":{"_0":{"x":-1440,"y":0,"width":1440,"height":900,"z":1},"_1":2}})",
         Placement::frame({-1440, 0, 1440, 900})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::decodeRecord<Placement>(c.json), c.placement) << c.json;
    }
}

TEST(RoutineEdits, PlacementsAreEqualByCaseAndFrame) {
    const std::unordered_set<Placement> set = {Placement::left(),
                                               Placement::left(),
                                               Placement::right(),
                                               Placement::full(),
                                               Placement::frame({0, 0, 10, 10}),
                                               Placement::frame({0, 0, 10, 10}),
                                               Placement::frame({0, 0, 10, 11})};
    EXPECT_EQ(set.size(), 5u);
    EXPECT_NE(Placement::frame({0, 0, 0, 0}), Placement::left());
}

TEST(RoutineEdits, EqualityFollowsEveryFieldButNotTheOrderOfTheLayout) {
    const RoutineEdits base = everything();

    RoutineEdits reordered = base;
    std::swap(reordered.cues[0], reordered.cues[1]);
    EXPECT_NE(reordered, base) << "cues keep the user's order";

    RoutineEdits layoutInOtherOrder = base;
    layoutInOtherOrder.layout.clear();
    for (auto it = base.layout.rbegin(); it != base.layout.rend(); ++it) {
        layoutInOtherOrder.layout.emplace(it->first, it->second);
    }
    EXPECT_EQ(layoutInOtherOrder, base);

    RoutineEdits decomposed = base;
    decomposed.name = "Caf\u00E9";
    RoutineEdits composed = base;
    composed.name = "Cafe\u0301";
    EXPECT_EQ(decomposed, composed) << "text compares as Unicode text";

    // Each change of one field alone makes the records differ.
    const std::function<void(RoutineEdits&)> changes[] = {
        [](RoutineEdits& e) { e.name.reset(); },
        [](RoutineEdits& e) { e.added.pop_back(); },
        [](RoutineEdits& e) { e.removed.clear(); },
        [](RoutineEdits& e) { e.putAway.push_back("com.apple.Music"); },
        [](RoutineEdits& e) { e.layout.at("com.apple.Safari") = Placement::right(); },
        [](RoutineEdits& e) { e.layout.erase("com.apple.Terminal"); },
        [](RoutineEdits& e) { e.cues.pop_back(); },
        [](RoutineEdits& e) { e.learnedWhen = true; },
        [](RoutineEdits& e) { e.mode = Mode::automatic; },
        [](RoutineEdits& e) { e.mute = false; },
        [](RoutineEdits& e) { e.shortcut = "Focus"; },
        [](RoutineEdits& e) { e.tidyUp.reset(); },
        [](RoutineEdits& e) { e.pickUp = true; },
        [](RoutineEdits& e) { e.deleted = false; },
        [](RoutineEdits& e) { e.created = 0; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        RoutineEdits changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "change " << i;
    }
}

TEST(RoutineEdits, DoesMoreThanOpenWhenItPutsAwayPlacesMutesOrRunsAShortcut) {
    const struct {
        std::function<void(RoutineEdits&)> change;
        bool more;
    } cases[] = {
        {[](RoutineEdits&) {}, false},
        {[](RoutineEdits& e) {
             e.added = {item("app:com.apple.Safari")};
             e.cues = {{Cue::App{"x"}}};
         },
         false},
        {[](RoutineEdits& e) {
             e.mode = Mode::automatic;
             e.tidyUp = Mode::ask;
         },
         false},
        {[](RoutineEdits& e) { e.putAway = {"com.apple.Music"}; }, true},
        {[](RoutineEdits& e) { e.layout.emplace("com.apple.Safari", Placement::full()); }, true},
        {[](RoutineEdits& e) { e.mute = true; }, true},
        {[](RoutineEdits& e) { e.shortcut = ""; }, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        RoutineEdits edits;
        cases[i].change(edits);
        EXPECT_EQ(edits.doesMoreThanOpen(), cases[i].more) << "case " << i;
    }
}

TEST(RoutineEdits, ModesHaveTheirStoredTexts) {
    EXPECT_EQ(RoutineEdits::allModes.size(), 3u);
    const char* texts[] = {"automatic", "ask", "off"};
    for (std::size_t i = 0; i < RoutineEdits::allModes.size(); ++i) {
        EXPECT_EQ(toString(RoutineEdits::allModes[i]), texts[i]);
        EXPECT_EQ(fromString<Mode>(texts[i]), RoutineEdits::allModes[i]);
    }
    for (const char* other : {"", "Automatic", "on", "off "}) {
        EXPECT_EQ(fromString<Mode>(other), std::nullopt) << other;
    }
}

TEST(RoutineEdits, AwaitsTheHappeningsItsCuesName) {
    const Calendar berlin("Europe/Berlin", "de_DE");
    const auto ms = [&berlin](int month, int day, int h, int m, int sec = 0) {
        return static_cast<std::int64_t>(berlin.date(2024, month, day, h, m, sec) * 1000);
    };
    RoutineEdits edits;
    edits.cues = {{Cue::Event{"series-1"}},
                  {Cue::Time{{2}, 540}},
                  {Cue::WiFi{"0123456789abcdef", "Campus"}},
                  {Cue::Display{"37D8-2D66", "Studio"}},
                  {Cue::AudioDevice{"Headphones", "AirPods"}},
                  {Cue::App{"com.apple.Notes"}}};
    RoutineEdits sunday;
    sunday.cues = {{Cue::Time{{1}, 540}}, {Cue::Time{{1}, 150}}};

    // 2024-03-04 is a Monday; the clocks go from 02:00 to 03:00 on Sunday 2024-03-31.
    const struct {
        const char* name;
        const RoutineEdits& edits;
        CueEvent event;
        std::int64_t at;
        bool awaits;
    } cases[] = {
        {"time, on the minute", edits, CueEvent::time(), ms(3, 4, 9, 0), true},
        {"time, seconds ignored", edits, CueEvent::time(), ms(3, 4, 9, 0, 30), true},
        {"time, the minute after", edits, CueEvent::time(), ms(3, 4, 9, 1), false},
        {"time, the second before", edits, CueEvent::time(), ms(3, 4, 8, 59, 59), false},
        {"time, another weekday", edits, CueEvent::time(), ms(3, 5, 9, 0), false},
        {"time on a clock-change day", sunday, CueEvent::time(), ms(3, 31, 9, 0), true},
        {"elapsed minutes on a clock-change day", sunday, CueEvent::time(), ms(3, 31, 10, 0), false},
        {"a skipped time, where it moved to", sunday, CueEvent::time(), ms(3, 31, 3, 30), true},
        {"network", edits, CueEvent::wifi("0123456789abcdef"), 0, true},
        {"network, no case folding", edits, CueEvent::wifi("0123456789ABCDEF"), 0, false},
        {"network, by name only", edits, CueEvent::wifi("Campus"), 0, false},
        {"display", edits, CueEvent::display("37D8-2D66"), 0, true},
        {"display by its name", edits, CueEvent::display("Studio"), 0, false},
        {"audio device", edits, CueEvent::audioDevice("Headphones"), 0, true},
        {"audio device as a display", edits, CueEvent::display("Headphones"), 0, false},
        {"app", edits, CueEvent::app("com.apple.Notes"), 0, true},
        {"class cues wait for no happening", edits, CueEvent::app("series-1"), 0, false},
        {"no cue", RoutineEdits{}, CueEvent::app("com.apple.Notes"), 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.edits.awaits(c.event, c.at, berlin), c.awaits) << c.name;
    }

    // A deleted or switched-off routine waits for nothing; the other modes do not matter.
    for (const auto& [mode, deleted, awaits] :
         {std::tuple{std::optional(RoutineEdits::Mode::off), false, false},
          std::tuple{std::optional(RoutineEdits::Mode::ask), true, false},
          std::tuple{std::optional(RoutineEdits::Mode::ask), false, true},
          std::tuple{std::optional<RoutineEdits::Mode>(), false, true}}) {
        RoutineEdits changed = edits;
        changed.mode = mode;
        changed.deleted = deleted;
        EXPECT_EQ(changed.awaits(CueEvent::time(), ms(3, 4, 9, 0), berlin), awaits);
        EXPECT_EQ(changed.awaits(CueEvent::app("com.apple.Notes"), 0, berlin), awaits);
    }
}

TEST(RoutineEdits, ATimeCueAwaitsTheInstantItsNextFallsOn) {
    // What arms the timer and what recognises it agree, on ordinary and on clock-change days.
    const Calendar calendars[] = {
        {"Europe/Berlin", "de_DE"}, {"America/New_York", "en_US"}, {"Australia/Lord_Howe", "en_AU"}};
    for (const Calendar& calendar : calendars) {
        for (const std::int64_t minute : {0, 30, 120, 150, 179, 540, 1439}) {
            RoutineEdits edits;
            edits.cues = {{Cue::Time{{1, 2, 3, 4, 5, 6, 7}, minute}}};
            Date after = calendar.date(2024, 1, 1);
            for (int step = 0; step < 400; ++step) {
                const auto next = edits.cues.front().next(after, calendar);
                ASSERT_TRUE(next);
                const auto at = static_cast<std::int64_t>(*next * 1000);
                ASSERT_TRUE(edits.awaits(CueEvent::time(), at, calendar))
                    << calendar.zone() << " minute " << minute << " at " << *next;
                after = *next;
            }
        }
    }
}

} // namespace
} // namespace ostrel
