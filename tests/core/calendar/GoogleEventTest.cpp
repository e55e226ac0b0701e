#include "core/calendar/GoogleEvent.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using json::Value;

// 2026-09-07T09:30:00+02:00 and an hour and a half later.
constexpr std::int64_t startMs = 1'788'766'200'000;
constexpr std::int64_t endMs = startMs + 5'400'000;

Value baseEvent() {
    return Value{{"id", "ev1"},
                 {"summary", "Linear Algebra"},
                 {"start", {{"dateTime", "2026-09-07T09:30:00+02:00"}}},
                 {"end", {{"dateTime", "2026-09-07T09:00:00Z"}}}};
}

std::optional<CalendarEvent> convert(const Value& item) {
    return GoogleEvent::fromJSON(item).calendarEvent("School");
}

TEST(GoogleEvent, DateTimesAreInstantsWithOrWithoutFractions) {
    const struct {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"2026-09-07T09:30:00+02:00", startMs},
        {"2026-09-07T07:30:00Z", startMs},
        {"2026-09-07T02:30:00-0500", startMs},
        {"2026-09-07t07:30:00z", startMs},
        {"2026-09-07T07:30:00.123Z", startMs + 123}, // exactly 123, not 122.99999
        {"2026-09-07T07:30:00.9999Z", startMs + 999},
        {"1969-12-31T23:59:59.5Z", -500},
        {"1970-01-01T00:00:00.0000005Z", 0},
        {"2024-02-29T12:00:00Z", 1'709'208'000'000},
        {"2026-02-29T12:00:00Z", std::nullopt}, // no such day
        {"2026-09-07T24:00:00Z", std::nullopt},
        {"2026-09-07T07:30:00", std::nullopt}, // no offset
        {"2026-09-07 07:30:00Z", std::nullopt},
        {"2026-09-07", std::nullopt},
        {"2026-09-07T07:30:00.Z", std::nullopt},
        {"2026-09-07T07:30:00+2:00", std::nullopt},
        {"", std::nullopt},
        {"next monday", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GoogleEvent::milliseconds(c.text), c.ms) << c.text;
        EXPECT_EQ(GoogleEvent::date(c.text).has_value(), c.ms.has_value()) << c.text;
    }
    EXPECT_DOUBLE_EQ(*GoogleEvent::date("2026-09-07T07:30:00.25Z"), 1'788'766'200.25);
}

TEST(GoogleEvent, ConvertsAnOrdinaryEvent) {
    Value item = baseEvent();
    item["location"] = "Room 3 https://uni.example/room3";
    item["description"] = "Slides: https://uni.example/la/slides";
    const auto event = convert(item);
    ASSERT_TRUE(event);
    EXPECT_EQ(*event, (CalendarEvent{"ev1",
                                     startMs,
                                     false,
                                     "Linear Algebra",
                                     startMs,
                                     endMs,
                                     "Room 3 https://uni.example/room3",
                                     "School",
                                     {"https://uni.example/la/slides", "https://uni.example/room3"}}));
}

TEST(GoogleEvent, ConversionRules) {
    const struct {
        const char* name;
        Value patch; // merged over the base event
        std::function<void(const std::optional<CalendarEvent>&)> check;
    } cases[] = {
        {"cancelled", {{"status", "cancelled"}}, [](auto& e) { EXPECT_FALSE(e); }},
        {"confirmed", {{"status", "confirmed"}}, [](auto& e) { EXPECT_TRUE(e); }},
        {"declined by the user",
         {{"attendees",
           {{{"email", "a"}, {"responseStatus", "declined"}},
            {{"self", true}, {"responseStatus", "declined"}}}}},
         [](auto& e) { EXPECT_FALSE(e); }},
        {"only the first self entry counts",
         {{"attendees",
           {{{"self", true}, {"responseStatus", "accepted"}},
            {{"self", true}, {"responseStatus", "declined"}}}}},
         [](auto& e) { EXPECT_TRUE(e); }},
        {"no self entry",
         {{"attendees", {{{"responseStatus", "declined"}}}}},
         [](auto& e) { EXPECT_TRUE(e); }},
        {"all-day", // the patch's nulls remove the base event's date-times
         {{"start", {{"date", "2026-09-07"}, {"dateTime", nullptr}}},
          {"end", {{"date", "2026-09-08"}, {"dateTime", nullptr}}}},
         [](auto& e) { EXPECT_FALSE(e); }},
        {"unparseable end", {{"end", {{"dateTime", "soon"}}}}, [](auto& e) { EXPECT_FALSE(e); }},
        {"moved instance keeps its occurrence",
         {{"originalStartTime", {{"dateTime", "2026-09-06T09:30:00+02:00"}}},
          {"recurringEventId", "series"},
          {"iCalUID", "uid@google.com"}},
         [](auto& e) {
             ASSERT_TRUE(e);
             EXPECT_EQ(e->occurrence, startMs - 86'400'000);
             EXPECT_EQ(e->key, "uid@google.com");
             EXPECT_TRUE(e->recurring);
         }},
        {"unparseable original start falls back",
         {{"originalStartTime", {{"dateTime", "x"}}}, {"recurringEventId", "series"}},
         [](auto& e) {
             ASSERT_TRUE(e);
             EXPECT_EQ(e->occurrence, startMs);
             EXPECT_EQ(e->key, "series");
         }},
        {"video entry point beats the hangout link",
         {{"hangoutLink", "https://meet.google.com/aaa"},
          {"conferenceData",
           {{"entryPoints",
             {{{"entryPointType", "phone"}, {"uri", "https://tel.example/1"}},
              {{"entryPointType", "video"}, {"uri", "https://meet.google.com/bbb"}}}}}},
          {"attachments", {{{"fileUrl", "https://drive.example/f"}}, {{"title", "no url"}}}}},
         [](auto& e) {
             ASSERT_TRUE(e);
             EXPECT_EQ(e->links,
                       (std::vector<std::string>{"https://meet.google.com/bbb", "https://drive.example/f"}));
         }},
        {"video entry point without uri leaves the hangout link",
         {{"hangoutLink", "https://meet.google.com/aaa"},
          {"conferenceData", {{"entryPoints", {{{"entryPointType", "video"}}}}}}},
         [](auto& e) {
             ASSERT_TRUE(e);
             EXPECT_EQ(e->links, (std::vector<std::string>{"https://meet.google.com/aaa"}));
         }},
        {"empty location and no summary",
         {{"location", ""}, {"summary", nullptr}},
         [](auto& e) {
             ASSERT_TRUE(e);
             EXPECT_EQ(e->location, std::nullopt);
             EXPECT_EQ(e->title, "");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Value item = baseEvent();
        item.merge_patch(c.patch);
        c.check(convert(item));
    }
}

TEST(GoogleEvent, DecodingIsStrictPerItemAndAListSkipsTheOddOnes) {
    EXPECT_THROW(GoogleEvent::fromJSON(Value{{"summary", "no id"}}), json::DecodingError);
    EXPECT_THROW(GoogleEvent::fromJSON(Value{{"id", "x"}, {"summary", 3}}), json::DecodingError);
    EXPECT_THROW(GoogleEvent::fromJSON(Value{{"id", "x"}, {"attendees", {{{"self", "yes"}}}}}),
                 json::DecodingError);
    EXPECT_NO_THROW(
        GoogleEvent::fromJSON(Value{{"id", "x"}, {"kind", "calendar#event"}, {"summary", nullptr}}));

    Value odd = baseEvent();
    odd["start"] = "2026-09-07";
    const auto list =
        GoogleEvent::decodeList(Value::array({baseEvent(), odd, Value{{"id", 7}}, baseEvent()}));
    EXPECT_EQ(list.events.size(), 2u);
    EXPECT_EQ(list.skipped, 2u);
    EXPECT_THROW(GoogleEvent::decodeList(Value::object()), json::DecodingError);
}

} // namespace
} // namespace ostrel
