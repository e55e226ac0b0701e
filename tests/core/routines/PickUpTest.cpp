#include "core/routines/PickUp.hpp"

#include "support/Items.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

const Calendar calendar("Europe/Berlin", "en_US");
constexpr std::int64_t week = 7 * 86'400'000;
// Monday 7 September 2026, 09:30 in Berlin: the slot "slot:2:19:unknown" without a place.
constexpr std::int64_t monday0930 = 1'788'766'200'000;
const ContextKey mondaySlot = ContextKey::slot(2, 19, "unknown");

using test::app;
using test::document;
using test::note;
using test::page;

CalendarEvent recurringClass(const std::string& key, std::int64_t start) {
    CalendarEvent event;
    event.key = key;
    event.occurrence = start;
    event.recurring = true;
    event.title = key;
    event.start = start;
    event.end = start + 5'400'000;
    return event;
}

Episode episode(std::int64_t ts, std::vector<Item> broughtUp, std::vector<CalendarEvent> events = {}) {
    Episode e;
    e.trigger = {ts, Trigger::Kind::wake};
    e.start = ts;
    e.end = ts + 3'600'000;
    e.context.events = std::move(events);
    e.setup.broughtUp = std::move(broughtUp);
    return e;
}

Routine routine(ContextKey key, std::vector<Item> items = {}) {
    return Routine{std::move(key), std::move(items), 3, 0.8, TrustLevel::suggest};
}

Cue eventCue(const std::string& series) {
    return Cue{Cue::Event{series}};
}

TEST(PickUpLastTime, WhichEpisodesBelongToTheRoutine) {
    // The tag document tells the episodes apart.
    const Episode slotEarly = episode(monday0930, {document("/early")});
    const Episode slotLate = episode(monday0930 + week, {document("/late")});
    const Episode otherSlot = episode(monday0930 + week + 3'600'000, {document("/other-slot")});
    const Episode classLater = episode(monday0930 + 2 * week + 7'200'000, {document("/class")},
                                       {recurringClass("maths", monday0930)});
    const std::vector<Episode> all = {classLater, slotLate, otherSlot, slotEarly};

    Routine cuedSlot = routine(mondaySlot);
    cuedSlot.edits.cues = {Cue{Cue::Time{{2}, 570}}, eventCue("maths")};
    Routine notLearned = routine(mondaySlot);
    notLearned.edits.learnedWhen = false;
    Routine notLearnedCued = notLearned;
    notLearnedCued.edits.cues = {eventCue("maths")};
    Routine made = routine(ContextKey::made("M1"));
    Routine madeCued = made;
    madeCued.edits.cues = {eventCue("maths")};
    Routine otherCue = routine(mondaySlot);
    otherCue.edits.cues = {eventCue("physics")};

    const struct {
        const char* name;
        Routine routine;
        std::vector<Episode> episodes;
        std::optional<std::string> expected; // the tag document of the last time
    } cases[] = {
        {"no episodes", routine(mondaySlot), {}, std::nullopt},
        {"later slot episode, whatever the order", routine(mondaySlot), all, "/late"},
        {"a class of an event cue beats an older slot episode", cuedSlot, all, "/class"},
        {"an unrelated event cue changes nothing", otherCue, all, "/late"},
        {"not at its learned moment, no event cue", notLearned, all, std::nullopt},
        {"not at its learned moment, but cued by the class", notLearnedCued, all, "/class"},
        {"made, no event cue", made, all, std::nullopt},
        {"made, cued by the class", madeCued, all, "/class"},
        {"a key no episode is filed under", routine(ContextKey::slot(3, 19, "unknown")), all, std::nullopt},
        // The class episode's slot is one of its candidates, but the learner files it under the class.
        {"only the first candidate counts", routine(ContextKey::slot(2, 23, "unknown")), all, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto last = PickUp::lastTime(c.routine, c.episodes, calendar);
        ASSERT_EQ(last.has_value(), c.expected.has_value()) << c.name;
        if (last) {
            EXPECT_EQ(last->setup.broughtUp.front(), document(*c.expected)) << c.name;
        }
    }
}

TEST(PickUpLastTime, EqualStartsGoToTheFirstInTheGivenOrder) {
    const std::vector<Episode> episodes = {episode(monday0930, {document("/old")}),
                                           episode(monday0930 + week, {document("/first")}),
                                           episode(monday0930 + week, {document("/second")})};
    const auto last = PickUp::lastTime(routine(mondaySlot), episodes, calendar);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->setup.broughtUp, std::vector<Item>{document("/first")});
}

TEST(PickUpItems, WhatIsAddedFromLastTime) {
    const std::vector<Item> own = {app("com.apple.Safari"), document("/notes.pdf"),
                                   page("https://uni.example/cs")};
    Routine withRemoved = routine(mondaySlot, own);
    withRemoved.edits.removed = {document("/gone.pdf")};

    const struct {
        const char* name;
        Routine routine;
        std::vector<Item> broughtUp;
        std::vector<Item> expected;
    } cases[] = {
        {"apps and notes are never picked up",
         routine(mondaySlot, own),
         {app("org.example.Editor"), note("Plan"), document("/a")},
         {own[0], own[1], own[2], document("/a")}},
        {"three at most, in the order brought up",
         routine(mondaySlot, own),
         {document("/a"), page("https://b.example/"), document("/c"), document("/d"),
          page("https://e.example/")},
         {own[0], own[1], own[2], document("/a"), page("https://b.example/"), document("/c")}},
        {"nothing twice",
         routine(mondaySlot, own),
         {document("/notes.pdf"), document("/a"), document("/a"), page("https://uni.example/cs")},
         {own[0], own[1], own[2], document("/a")}},
        {"removed items stay out",
         withRemoved,
         {document("/gone.pdf"), document("/a")},
         {own[0], own[1], own[2], document("/a")}},
        {"a deeper page takes the routine page's place and leaves the cap free",
         routine(mondaySlot, own),
         {page("https://uni.example/cs/week3"), document("/a"), document("/b"), document("/c")},
         {own[0], own[1], page("https://uni.example/cs/week3"), document("/a"), document("/b"),
          document("/c")}},
        {"the prefix is plain text within a path segment",
         routine(mondaySlot, own),
         {page("https://uni.example/cs101")},
         {own[0], own[1], page("https://uni.example/cs101")}},
        {"a shorter page is added as a new one",
         routine(mondaySlot, own),
         {page("https://uni.example/")},
         {own[0], own[1], own[2], page("https://uni.example/")}},
        {"the prefix is case-sensitive",
         routine(mondaySlot, own),
         {page("https://uni.example/CS/week3")},
         {own[0], own[1], own[2], page("https://uni.example/CS/week3")}},
        {"only the first matching page is replaced",
         routine(mondaySlot, {page("https://a.example/"), page("https://a.example/x")}),
         {page("https://a.example/x/y")},
         {page("https://a.example/x/y"), page("https://a.example/x")}},
        {"a picked-up page can deepen an earlier picked-up one",
         routine(mondaySlot),
         {page("https://a.example/x"), page("https://a.example/x/y")},
         {page("https://a.example/x/y")}},
    };
    for (const auto& c : cases) {
        const std::vector<Episode> episodes = {episode(monday0930, c.broughtUp)};
        EXPECT_EQ(PickUp::items(c.routine, episodes, calendar), c.expected) << c.name;
    }
}

TEST(PickUpItems, APageOfAnotherHostOrPortNeverReplacesOne) {
    const struct {
        std::string routineURL;
        std::string pickedURL;
        bool replaces;
    } cases[] = {
        {"https://a.edu", "https://a.edu/courses", true},
        {"https://a.edu", "https://a.edu?term=fall", true},
        {"https://a.edu", "https://a.edu.other.example/", false},
        {"https://a.edu", "https://a.edu@other.example/", false},
        {"https://a.edu", "https://a.edu:8443/", false},
        {"https://a.edu:80", "https://a.edu:8080/", false},
        {"https://a.edu:8443", "https://a.edu:8443/x", true},
        {"https://a.edu/x", "https://a.edu/x y", false}, // no URL: not the same host
    };
    for (const auto& c : cases) {
        const Routine r = routine(mondaySlot, {page(c.routineURL)});
        const auto result = PickUp::items(r, {episode(monday0930, {page(c.pickedURL)})}, calendar);
        const std::vector<Item> expected = c.replaces
                                               ? std::vector<Item>{page(c.pickedURL)}
                                               : std::vector<Item>{page(c.routineURL), page(c.pickedURL)};
        EXPECT_EQ(result, expected) << c.routineURL << " / " << c.pickedURL;
    }
}

TEST(PickUpItems, WithoutALastTimeTheRoutineIsUnchanged) {
    const Routine r =
        routine(ContextKey::made("M1"), {app("com.apple.Safari"), page("https://uni.example/")});
    EXPECT_EQ(PickUp::items(r, {episode(monday0930, {document("/a")})}, calendar), r.items);
    EXPECT_EQ(PickUp::items(routine(mondaySlot, r.items), {}, calendar), r.items);
}

} // namespace
} // namespace ostrel
