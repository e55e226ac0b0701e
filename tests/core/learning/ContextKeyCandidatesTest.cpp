#include "core/learning/ContextKey.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace ostrel {

void PrintTo(const ContextKey& key, std::ostream* out);

namespace {

constexpr std::int64_t monday0930Berlin = 1709541000000; // 2024-03-04 08:30 UTC
constexpr std::int64_t minute = 60000;
constexpr std::int64_t day = 24 * 60 * minute;

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "de_DE");
    return calendar;
}

CalendarEvent event(std::string key, bool recurring, std::string title) {
    return {std::move(key), 0, recurring, std::move(title), 0, 0, std::nullopt, "School", {}};
}

Episode episode(std::int64_t ts, Context context = {}) {
    return {Trigger{ts, Trigger::Kind::wake}, ts, ts + 10 * minute, std::move(context), {}};
}

LocationPayload at(double latitude, double longitude) {
    return {latitude, longitude, 10};
}

std::vector<std::string> ids(const std::vector<ContextKey>& keys) {
    std::vector<std::string> result;
    for (const ContextKey& key : keys) {
        result.push_back(key.id());
    }
    return result;
}

TEST(ContextKeyCandidates, MondayHalfPastNineWithNothingElseIsTheSlotAlone) {
    const auto keys = ContextKey::candidates({}, monday0930Berlin, {}, berlin());
    ASSERT_EQ(ids(keys), std::vector<std::string>{"slot:2:19:unknown"});
    EXPECT_EQ(ContextKey::fromId(keys[0].id()), keys[0]);
    // The same instant is a Monday early morning in New York.
    EXPECT_EQ(ids(ContextKey::candidates({}, monday0930Berlin, {}, Calendar("America/New_York", "en_US"))),
              std::vector<std::string>{"slot:2:7:unknown"});
}

TEST(ContextKeyCandidates, HalfHoursOfTheLocalDay) {
    const struct {
        int hour, minute;
        std::int64_t halfHour;
    } cases[] = {{0, 0, 0}, {0, 29, 0}, {0, 30, 1}, {9, 29, 18}, {9, 30, 19}, {23, 59, 47}};
    for (const auto& c : cases) {
        const auto instant = static_cast<std::int64_t>(berlin().date(2024, 3, 4, c.hour, c.minute) * 1000);
        const auto keys = ContextKey::candidates({}, instant, {}, berlin());
        EXPECT_EQ(keys.back(), ContextKey::slot(2, c.halfHour, "unknown")) << c.hour << ":" << c.minute;
    }
    // Sunday is 1 and Saturday 7, whatever the locale's first weekday.
    const auto sunday = static_cast<std::int64_t>(berlin().date(2024, 3, 3, 12) * 1000);
    const auto saturday = static_cast<std::int64_t>(berlin().date(2024, 3, 9, 12) * 1000);
    EXPECT_EQ(ContextKey::candidates({}, sunday, {}, berlin()).back(), ContextKey::slot(1, 24, "unknown"));
    EXPECT_EQ(ContextKey::candidates({}, saturday, {}, berlin()).back(), ContextKey::slot(7, 24, "unknown"));
}

TEST(ContextKeyCandidates, EventsThenTheFirstKnownTitleThenTheSlot) {
    const std::vector<Episode> past = {
        episode(monday0930Berlin - 7 * day,
                {{event("x", false, "Office Hours 3"), event("y", false, "Lab 2")}}),
    };
    const ContextKey::History history(past);

    Context now;
    now.events = {event("s1", true, "Algebra"),       event("new", false, "Never seen"),
                  event("x2", false, "office hours"), event("s2", true, "Physics"),
                  event("y2", false, "Lab 5"),        event("s1", true, "Algebra")};
    EXPECT_EQ(ids(ContextKey::candidates(now, monday0930Berlin, history, berlin())),
              (std::vector<std::string>{"event:s1", "event:s2", "event:s1", "title:office hours",
                                        "slot:2:19:unknown"}));
}

TEST(ContextKeyCandidates, ATitleSeenOnlyAtThisMomentIsNotKnown) {
    Context context;
    context.events = {event("e", false, "Study group")};
    const std::vector<Episode> sameMoment = {episode(monday0930Berlin, context),
                                             episode(monday0930Berlin, context)};
    EXPECT_EQ(
        ids(ContextKey::candidates(context, monday0930Berlin, ContextKey::History(sameMoment), berlin())),
        std::vector<std::string>{"slot:2:19:unknown"});
    EXPECT_EQ(ContextKey::of(sameMoment[0], sameMoment, berlin()), ContextKey::slot(2, 19, "unknown"));

    const std::vector<Episode> twice = {episode(monday0930Berlin, context),
                                        episode(monday0930Berlin + day, context)};
    EXPECT_EQ(ContextKey::of(twice[0], twice, berlin()), ContextKey::title("study group"));
    EXPECT_EQ(ContextKey::of(twice[1], ContextKey::History(twice), berlin()),
              ContextKey::title("study group"));
}

TEST(ContextKeyCandidates, TitlesThatNormaliseToNothingGiveNoKey) {
    Context context;
    context.events = {event("a", false, "2024"), event("b", false, "12/3"), event("c", false, "Review 2")};
    const std::vector<Episode> past = {episode(monday0930Berlin - day, context)};
    const ContextKey::History history(past);
    EXPECT_EQ(history.titles.count(""), 1u); // remembered, but never a key
    EXPECT_EQ(ids(ContextKey::candidates(context, monday0930Berlin, history, berlin())),
              (std::vector<std::string>{"title:review", "slot:2:19:unknown"}));

    context.events.pop_back();
    EXPECT_EQ(ids(ContextKey::candidates(context, monday0930Berlin, history, berlin())),
              std::vector<std::string>{"slot:2:19:unknown"});
}

TEST(ContextKeyCandidates, TitlesMeetWhenTheyNormaliseAlike) {
    Context before;
    before.events = {event("a", false, "Linear Algebra 2 Review")};
    Context now;
    now.events = {event("b", false, "LINEAR  algebra review 3")};
    const ContextKey::History history(std::vector<Episode>{episode(monday0930Berlin - day, before)});
    EXPECT_EQ(ContextKey::candidates(now, monday0930Berlin, history, berlin()).front(),
              ContextKey::title("linear algebra review"));
}

TEST(ContextKeyCandidates, SlotPlaceIsTheNamedAnchorElseTheNetworkElseUnknown) {
    Context home;
    home.location = at(48.8566, 2.3522);
    const std::vector<Episode> twiceHome = {episode(monday0930Berlin - 2 * day, home),
                                            episode(monday0930Berlin - day, home)};
    const std::vector<Episode> onceHome = {episode(monday0930Berlin - day, home)};

    const struct {
        const char* name;
        std::optional<LocationPayload> location;
        std::optional<std::string> network;
        const std::vector<Episode>* past;
        std::string place;
    } cases[] = {
        {"named anchor beats network", at(48.8567, 2.3523), "0123456789abcdef", &twiceHome,
         "place:48.8566,2.3522"},
        {"anchor seen once", at(48.8566, 2.3522), "0123456789abcdef", &onceHome, "wifi:0123456789abcdef"},
        {"far from every anchor", at(52.52, 13.405), "0123456789abcdef", &twiceHome, "wifi:0123456789abcdef"},
        {"network only", std::nullopt, "0123456789abcdef", &twiceHome, "wifi:0123456789abcdef"},
        {"location only, unnamed", at(52.52, 13.405), std::nullopt, &twiceHome, "unknown"},
        {"nothing", std::nullopt, std::nullopt, &twiceHome, "unknown"},
    };
    for (const auto& c : cases) {
        Context context;
        context.location = c.location;
        context.network = c.network;
        const auto keys =
            ContextKey::candidates(context, monday0930Berlin, ContextKey::History(*c.past), berlin());
        ASSERT_EQ(keys.size(), 1u) << c.name;
        EXPECT_EQ(keys[0], ContextKey::slot(2, 19, c.place)) << c.name;
        EXPECT_EQ(ContextKey::fromId(keys[0].id()), keys[0]) << c.name;
    }
}

} // namespace
} // namespace ostrel
