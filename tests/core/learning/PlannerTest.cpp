#include "core/learning/Planner.hpp"

#include "support/Items.hpp"
#include "support/Printers.hpp"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60000;
constexpr std::int64_t hour = 60 * minute;

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "de_DE");
    return calendar;
}

// Local wall-clock time in Berlin, in ms.
std::int64_t local(int year, int month, int day, int h, int m, int s = 0) {
    return static_cast<std::int64_t>(berlin().date(year, month, day, h, m, s) * 1000);
}

// Monday 2024-03-04 (weekday 2).
const std::int64_t monday0800 = local(2024, 3, 4, 8, 0);

using test::app;

Trigger wake(std::int64_t ts) {
    return {ts, Trigger::Kind::wake};
}
Trigger classStart(std::int64_t ts) {
    return {ts, Trigger::Kind::eventStart};
}

CalendarEvent recurring(std::string key) {
    return {std::move(key), 0, true, "Class", 0, 0, std::nullopt, "School", {}};
}

Routine routine(ContextKey key, std::vector<Item> items, double confidence = 0.7,
                TrustLevel trust = TrustLevel::suggest) {
    return {std::move(key), std::move(items), 4, confidence, trust};
}

Routine cued(std::vector<Cue> cues, std::vector<Item> items = {app("cued.app")}, double confidence = 0.7) {
    Routine result = routine(ContextKey::made("cued"), std::move(items), confidence);
    result.edits.cues = std::move(cues);
    return result;
}

Cue timeCue(std::vector<std::int64_t> weekdays, std::int64_t minuteOfDay) {
    return {Cue::Time{std::move(weekdays), minuteOfDay}};
}

// The slot key of a moment without location or network.
ContextKey slotOf(std::int64_t ts) {
    return ContextKey::candidates({}, ts, {}, berlin()).back();
}

std::optional<Choice> choose(const Trigger& at, const std::vector<Routine>& routines,
                             const Context& context = {}, const std::vector<Item>& open = {}) {
    return Planner::choose(at, context, open, routines, std::vector<Episode>{}, berlin());
}

TEST(Planner, NothingToChooseFrom) {
    EXPECT_EQ(choose(wake(monday0800), {}), std::nullopt);
    Routine off = routine(slotOf(monday0800), {app("a")});
    off.edits.mode = RoutineEdits::Mode::off;
    off.edits.cues = {timeCue({2}, 8 * 60)};
    EXPECT_EQ(choose(wake(monday0800), {off}), std::nullopt);
    off.edits.mode = RoutineEdits::Mode::ask;
    EXPECT_EQ(choose(wake(monday0800), {off}), (Choice{off, true}));
}

TEST(Planner, ARoutineMostlyOpenIsAlreadySetUp) {
    const Routine five = routine(slotOf(monday0800), {app("a"), app("b"), app("c"), app("d"), app("e")});
    const struct {
        std::vector<Item> open;
        bool chosen;
    } cases[] = {
        {{}, true},
        {{app("a"), app("b"), app("c")}, true},                      // 0.6
        {{app("a"), app("b"), app("c"), app("d")}, false},           // 0.8
        {{app("e"), app("b"), app("x"), app("c"), app("d")}, false}, // 0.8, other things open too
        {{app("a"), app("b"), app("c"), app("d"), app("e")}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choose(wake(monday0800), {five}, {}, c.open).has_value(), c.chosen) << c.open.size();
    }
    // Four of five is skipped even when a cue of its own matches.
    Routine cuedFive = five;
    cuedFive.edits.cues = {timeCue({2}, 8 * 60)};
    EXPECT_EQ(choose(wake(monday0800), {cuedFive}, {}, {app("a"), app("b"), app("c"), app("d")}),
              std::nullopt);
}

TEST(Planner, ARoutineWithoutItemsStaysOnlyWhenItDoesSomethingElse) {
    const Cue cue = timeCue({2}, 8 * 60);
    Routine shortcut = cued({cue}, {});
    shortcut.edits.shortcut = "Focus";
    Routine mute = cued({cue}, {});
    mute.edits.mute = true;
    Routine putAway = cued({cue}, {});
    putAway.edits.putAway = {"com.example.chat"};
    Routine layout = cued({cue}, {});
    layout.edits.layout = {{"com.example.editor", RoutineEdits::Placement::left()}};
    for (const Routine& r : {shortcut, mute, putAway, layout}) {
        // Nothing to open means nothing can already be open either.
        EXPECT_EQ(choose(wake(monday0800), {r}, {}, {app("anything")}), (Choice{r, true}));
    }
    const Routine empty = cued({cue}, {});
    EXPECT_EQ(choose(wake(monday0800), {empty}), std::nullopt);
    // Found through its key as well.
    Routine keyed = routine(slotOf(monday0800), {});
    EXPECT_EQ(choose(wake(monday0800), {keyed}), std::nullopt);
    keyed.edits.mute = true;
    EXPECT_EQ(choose(wake(monday0800), {keyed}), (Choice{keyed, false}));
}

TEST(Planner, TimeCueWindow) {
    const struct {
        const char* name;
        Trigger at;
        std::vector<std::int64_t> weekdays;
        std::int64_t minuteOfDay;
        bool matches;
    } cases[] = {
        {"at the minute", wake(monday0800), {2}, 480, true},
        {"15 minutes early", wake(monday0800 - 15 * minute), {2}, 480, true},
        {"60 minutes late", wake(monday0800 + hour), {2}, 480, true},
        {"a millisecond earlier", wake(monday0800 - 15 * minute - 1), {2}, 480, false},
        {"a millisecond later", wake(monday0800 + hour + 1), {2}, 480, false},
        {"unlock and login too", {monday0800, Trigger::Kind::unlock}, {4, 2}, 480, true},
        {"login", {monday0800 + 30 * minute, Trigger::Kind::login}, {2}, 480, true},
        {"never at a class start", classStart(monday0800), {2}, 480, false},
        {"another weekday", wake(monday0800), {3, 4, 5, 6, 7, 1}, 480, false},
        {"no weekdays", wake(monday0800), {}, 480, false},
        {"late evening cue, just after midnight",
         wake(local(2024, 3, 5, 0, 10)),
         {2, 3},
         23 * 60 + 30,
         false},
        {"the same minute the day before", wake(local(2024, 3, 4, 23, 40)), {2}, 23 * 60 + 30, true},
        {"minutes past the day roll over", wake(local(2024, 3, 5, 23, 55)), {3}, 24 * 60 + 5, true},
        {"a rolled-over minute is not read on the day before",
         wake(local(2024, 3, 5, 0, 5)),
         {2},
         24 * 60 + 5,
         false},
        {"the end of time",
         wake(std::numeric_limits<std::int64_t>::max()),
         {1, 2, 3, 4, 5, 6, 7},
         480,
         false},
        {"the start of time",
         wake(std::numeric_limits<std::int64_t>::min()),
         {1, 2, 3, 4, 5, 6, 7},
         480,
         false},
        {"absurd minute", wake(monday0800), {2}, std::numeric_limits<std::int64_t>::max(), false},
        {"absurd negative minute", wake(monday0800), {2}, std::numeric_limits<std::int64_t>::min(), false},
    };
    for (const auto& c : cases) {
        const Routine r = cued({timeCue(c.weekdays, c.minuteOfDay)});
        EXPECT_EQ(choose(c.at, {r}).has_value(), c.matches) << c.name;
    }
}

TEST(Planner, TimeCueFollowsTheWallClockOnClockChangeDays) {
    // Berlin: on Sunday 2024-03-31 the clocks go from 02:00 to 03:00, on Sunday 2024-10-27 from 03:00
    // back to 02:00. The cue means the local time on the clock, whatever the length of the night.
    const struct {
        const char* name;
        std::int64_t at;
        std::int64_t minuteOfDay;
        bool matches;
    } cases[] = {
        {"spring, at 08:00", local(2024, 3, 31, 8, 0), 480, true},
        {"spring, 07:45", local(2024, 3, 31, 7, 45), 480, true},
        {"spring, 07:44", local(2024, 3, 31, 7, 44), 480, false},
        {"spring, 09:00", local(2024, 3, 31, 9, 0), 480, true},
        {"spring, just after 09:00", local(2024, 3, 31, 9, 0) + 1, 480, false},
        {"autumn, 07:45", local(2024, 10, 27, 7, 45), 480, true},
        {"autumn, 09:00", local(2024, 10, 27, 9, 0), 480, true},
        {"autumn, just after 09:00", local(2024, 10, 27, 9, 0) + 1, 480, false},
        {"autumn, 07:44", local(2024, 10, 27, 7, 44), 480, false},
        // 02:30 does not exist on the spring day; it is read as 03:30.
        {"skipped time, 03:15", local(2024, 3, 31, 3, 15), 150, true},
        {"skipped time, just before 03:15", local(2024, 3, 31, 3, 15) - 1, 150, false},
        {"skipped time, 04:30", local(2024, 3, 31, 4, 30), 150, true},
        {"skipped time, just after 04:30", local(2024, 3, 31, 4, 30) + 1, 150, false},
    };
    ASSERT_EQ(local(2024, 3, 31, 8, 0) - local(2024, 3, 31, 0, 0), 7 * hour);
    ASSERT_EQ(local(2024, 10, 27, 8, 0) - local(2024, 10, 27, 0, 0), 9 * hour);
    for (const auto& c : cases) {
        const Routine r = cued({timeCue({1}, c.minuteOfDay)});
        EXPECT_EQ(choose(wake(c.at), {r}).has_value(), c.matches) << c.name;
    }
}

TEST(Planner, OtherCues) {
    Context context;
    context.events = {recurring("maths")};
    context.network = "0123456789abcdef";
    context.displays = {"display-1", "display-2"};
    Context bare;
    const struct {
        const char* name;
        Cue cue;
        const Context* context;
        Trigger at;
        bool matches;
    } cases[] = {
        {"class cue at a class start", {Cue::Event{"maths"}}, &context, classStart(monday0800), true},
        {"class cue at a wake", {Cue::Event{"maths"}}, &context, wake(monday0800), true},
        {"class cue, other class", {Cue::Event{"physics"}}, &context, wake(monday0800), false},
        {"class cue, no class", {Cue::Event{"maths"}}, &bare, wake(monday0800), false},
        {"network", {Cue::WiFi{"0123456789abcdef", "Campus"}}, &context, wake(monday0800), true},
        {"network at a class start",
         {Cue::WiFi{"0123456789abcdef", "Campus"}},
         &context,
         classStart(monday0800),
         false},
        {"other network", {Cue::WiFi{"fedcba9876543210", "Home"}}, &context, wake(monday0800), false},
        {"no network", {Cue::WiFi{"0123456789abcdef", "Campus"}}, &bare, wake(monday0800), false},
        {"display", {Cue::Display{"display-2", "Studio"}}, &context, wake(monday0800), true},
        {"display at a class start",
         {Cue::Display{"display-2", "Studio"}},
         &context,
         classStart(monday0800),
         false},
        {"other display", {Cue::Display{"display-3", "Studio"}}, &context, wake(monday0800), false},
        {"audio device", {Cue::AudioDevice{"display-1", "Headphones"}}, &context, wake(monday0800), false},
        {"app", {Cue::App{"com.example"}}, &context, wake(monday0800), false},
    };
    for (const auto& c : cases) {
        const Routine r = cued({c.cue});
        EXPECT_EQ(choose(c.at, {r}, *c.context), c.matches ? std::optional(Choice{r, true}) : std::nullopt)
            << c.name;
    }
    // The first cue that matches is enough.
    const Routine several = cued({Cue{Cue::App{"x"}}, Cue{Cue::WiFi{"nope", ""}}, Cue{Cue::Event{"maths"}}});
    EXPECT_EQ(choose(wake(monday0800), {several}, context), (Choice{several, true}));
}

TEST(Planner, LearnedKeysChooseUnlessTheUserTurnedThatOff) {
    Context context;
    context.events = {recurring("maths"), recurring("lab")};
    Routine lab = routine(ContextKey::event("lab"), {app("a")});
    Routine slot = routine(slotOf(monday0800), {app("b")});
    Routine elsewhere = routine(ContextKey::event("physics"), {app("c")});
    EXPECT_EQ(choose(wake(monday0800), {elsewhere, lab}, context), (Choice{lab, false}));
    EXPECT_EQ(choose(wake(monday0800), {elsewhere, slot}, context), (Choice{slot, false}));
    EXPECT_EQ(choose(wake(monday0800), {elsewhere}, context), std::nullopt);

    lab.edits.learnedWhen = false;
    EXPECT_EQ(choose(wake(monday0800), {lab}, context), std::nullopt);
    lab.edits.cues = {Cue{Cue::Event{"maths"}}};
    EXPECT_EQ(choose(wake(monday0800), {lab}, context), (Choice{lab, true}));
}

TEST(Planner, PickedBeatsConfidenceThenConfidenceThenClassKeysThenOrder) {
    Context context;
    context.events = {recurring("maths")};
    const ContextKey slot = slotOf(monday0800);
    const Routine pickedLow = cued({Cue{Cue::Event{"maths"}}}, {app("p")}, 0.2);
    const Routine keyedHigh = routine(ContextKey::event("maths"), {app("k")}, 0.9);
    const Routine classKey = routine(ContextKey::event("maths"), {app("e")}, 0.7);
    const Routine slotA = routine(slot, {app("s1")}, 0.7);
    const Routine slotB = routine(slot, {app("s2")}, 0.7);
    const Routine slotHigher = routine(slot, {app("s3")}, 0.75);
    const struct {
        const char* name;
        std::vector<Routine> routines;
        Choice chosen;
    } cases[] = {
        {"picked first", {pickedLow, keyedHigh}, {pickedLow, true}},
        {"picked last", {keyedHigh, pickedLow}, {pickedLow, true}},
        {"class key after a slot", {slotA, classKey}, {classKey, false}},
        {"class key before a slot", {classKey, slotA}, {classKey, false}},
        {"two slots: the first", {slotA, slotB}, {slotA, false}},
        {"two slots, other order", {slotB, slotA}, {slotB, false}},
        {"higher confidence beats a class key", {classKey, slotHigher}, {slotHigher, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choose(wake(monday0800), c.routines, context), std::optional(c.chosen)) << c.name;
    }
}

TEST(Planner, DecideGoesByTrust) {
    const Routine base = routine(slotOf(monday0800), {app("a")});
    const auto with = [&base](TrustLevel trust) {
        Routine r = base;
        r.trust = trust;
        return r;
    };
    const Trigger atClass = classStart(monday0800);
    const struct {
        const char* name;
        TrustLevel trust;
        Trigger at;
        Decision decision;
    } cases[] = {
        {"automate at a wake", TrustLevel::automate, wake(monday0800),
         Decision::run(with(TrustLevel::automate))},
        {"automate at a class start", TrustLevel::automate, atClass,
         Decision::suggest(with(TrustLevel::automate))},
        {"suggest", TrustLevel::suggest, wake(monday0800), Decision::suggest(with(TrustLevel::suggest))},
        {"observe", TrustLevel::observe, wake(monday0800), Decision::nothing()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Planner::decide(c.at, {}, {}, {with(c.trust)}, {}, berlin()), c.decision) << c.name;
    }
    EXPECT_EQ(Planner::decide(wake(monday0800), {}, {}, {}, {}, berlin()), Decision::nothing());
    // Only the choice's trust counts: a picked observe routine still gives nothing.
    Routine pickedObserve = cued({timeCue({2}, 480)});
    pickedObserve.trust = TrustLevel::observe;
    EXPECT_EQ(Planner::decide(wake(monday0800), {}, {}, {pickedObserve}, {}, berlin()), Decision::nothing());
}

TEST(Planner, AHappeningStartsTheFirstWaitingRoutineNotYetSetUp) {
    const Cue notes{Cue::App{"com.apple.Notes"}};
    const std::vector<Item> five = {app("a"), app("b"), app("c"), app("d"), app("e")};
    const auto named = [&](const char* id, std::vector<Cue> cues, std::vector<Item> items) {
        Routine result = cued(std::move(cues), std::move(items));
        result.key = ContextKey::made(id);
        return result;
    };
    Routine shortcutOnly = named("shortcut", {notes}, {});
    shortcutOnly.edits.shortcut = "Focus";
    Routine switchedOff = named("off", {notes}, {app("x")});
    switchedOff.edits.mode = RoutineEdits::Mode::off;
    const Routine empty = named("empty", {notes}, {});
    const Routine first = named("first", {notes}, {app("x")});
    const Routine second = named("second", {notes}, {app("y")});
    const Routine mostlyOpen = named("five", {notes}, five);
    const Routine otherCue = named("other", {{Cue::Display{"D", "Display"}}}, {app("z")});
    const Routine mondayNine = named("time", {timeCue({2}, 540)}, {app("t")});

    const std::vector<Item> fourOpen = {app("a"), app("b"), app("c"), app("d")};
    const std::vector<Item> threeOpen = {app("a"), app("b"), app("c")};
    const CueEvent launch = CueEvent::app("com.apple.Notes");
    const struct {
        const char* name;
        CueEvent event;
        std::vector<Routine> routines;
        std::vector<Item> open;
        std::int64_t at;
        std::optional<Routine> chosen;
    } cases[] = {
        {"nothing waits", launch, {otherCue}, {}, 0, std::nullopt},
        {"the first in order wins", launch, {first, second}, {}, 0, first},
        {"in the given order", launch, {second, first}, {}, 0, second},
        {"switched off or empty are skipped", launch, {switchedOff, empty, second}, {}, 0, second},
        {"without items but with a Shortcut", launch, {shortcutOnly, first}, {}, 0, shortcutOnly},
        {"four of five open is set up", launch, {mostlyOpen, second}, fourOpen, 0, second},
        {"three of five open is not", launch, {mostlyOpen, second}, threeOpen, 0, mostlyOpen},
        {"another case", CueEvent::display("D"), {first, otherCue}, {}, 0, otherCue},
        {"time, exact minute",
         CueEvent::time(),
         {first, mondayNine},
         {},
         monday0800 + hour + 59999,
         mondayNine},
        {"time, no window", CueEvent::time(), {first, mondayNine}, {}, monday0800 + hour - 1, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto choice = Planner::choose(c.event, c.routines, c.open, c.at, berlin());
        if (!c.chosen) {
            EXPECT_EQ(choice, std::nullopt) << c.name;
            continue;
        }
        EXPECT_EQ(choice, (Choice{*c.chosen, true})) << c.name;
    }
}

} // namespace
} // namespace ostrel
