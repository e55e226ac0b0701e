// The encodings and replies of the Google client: forms, queries, calendar ids in paths, dates,
// base64, and the token, calendar list and events replies.

#include "app/google/GoogleWire.hpp"

#include "core/foundation/Json.hpp"

#include <gtest/gtest.h>

namespace ostrel::googlewire {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(GoogleWireTest, Base64FollowsTheRfcVectorsAndTheUrlFormDropsPadding) {
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [input, expected] : vectors) {
        EXPECT_EQ(base64(bytes(input)), expected) << input;
        std::string unpadded = expected;
        std::erase(unpadded, '=');
        EXPECT_EQ(base64url(bytes(input)), unpadded) << input;
    }
    const std::vector<std::uint8_t> high = {0xfb, 0xff, 0xbf};
    EXPECT_EQ(base64(high), "+/+/");
    EXPECT_EQ(base64url(high), "-_-_");
}

TEST(GoogleWireTest, FormsAndQueriesEncodeEverythingButUnreservedCharacters) {
    EXPECT_EQ(form({{"grant_type", "refresh_token"}, {"token", "1//a+b/c=d&e f~g.h-i_j"}}),
              "grant_type=refresh_token&token=1%2F%2Fa%2Bb%2Fc%3Dd%26e%20f~g.h-i_j");
    EXPECT_EQ(form({{"name", "caf\u00e9"}}), "name=caf%C3%A9");
    EXPECT_EQ(query({{"time Min", "2026-12-09T08:48:16Z"}, {"redirect_uri", "http://127.0.0.1:5000"}}),
              "time%20Min=2026-12-09T08%3A48%3A16Z&redirect_uri=http%3A%2F%2F127.0.0.1%3A5000");
    EXPECT_EQ(query({}), "");
}

TEST(GoogleWireTest, ACalendarIdStaysOnePathSegment) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"primary", "calendars/primary/events"},
        {"student@uni.example", "calendars/student%40uni.example/events"},
        {"en.german#holiday@group.v.calendar.google.com",
         "calendars/en.german%23holiday%40group.v.calendar.google.com/events"},
        {"a/b?c d", "calendars/a%2Fb%3Fc%20d/events"},
        {"x:y+z", "calendars/x:y+z/events"},
    };
    for (const auto& [id, path] : cases) {
        EXPECT_EQ(eventsPath(id), path) << id;
    }
}

TEST(GoogleWireTest, InternetTimeIsUtcInWholeSeconds) {
    EXPECT_EQ(internetTime(1'796'806'096.0), "2026-12-09T08:48:16Z");
    EXPECT_EQ(internetTime(1'796'806'096.999), "2026-12-09T08:48:16Z");
    EXPECT_EQ(internetTime(0), "1970-01-01T00:00:00Z");
}

TEST(GoogleWireTest, TokenRepliesDecodeByTheirKeysAndErrorsNeverQuoteTheBody) {
    const Tokens full = Tokens::decode(R"({"access_token":"ya29.A","expires_in":3599,"refresh_token":"1//R",
                                           "scope":"x","token_type":"Bearer"})");
    EXPECT_EQ(full.accessToken, "ya29.A");
    EXPECT_EQ(full.expiresIn, 3599);
    EXPECT_EQ(full.refreshToken, "1//R");
    EXPECT_EQ(Tokens::decode(R"({"access_token":"ya29.A","expires_in":60})").refreshToken, std::nullopt);

    const std::vector<std::string> bad = {
        R"({"access_token":"SECRET-1","expires_in":"3600"})",
        R"({"expires_in":3600,"refresh_token":"SECRET-1"})",
        R"({"access_token":"SECRET-1"})",
        R"({"access_token":"SECRET-1","expires_in":3600.5})",
        R"({"access_token":"SECRET-1","expires_in":3600,"refresh_token":7})",
        R"({"access_token":"SECRET-1","expires_in":36)",
        R"(["SECRET-1"])",
        "",
    };
    for (const std::string& body : bad) {
        try {
            Tokens::decode(body);
            ADD_FAILURE() << "decoded: " << body;
        } catch (const json::DecodingError& error) {
            EXPECT_EQ(std::string(error.what()).find("SECRET"), std::string::npos) << error.what();
        }
    }
}

TEST(GoogleWireTest, OauthErrorReadsOnlyAnErrorText) {
    EXPECT_EQ(oauthError(R"({"error":"invalid_grant","error_description":"Bad"})"), "invalid_grant");
    EXPECT_EQ(oauthError(R"({"error":{"code":400}})"), std::nullopt);
    EXPECT_EQ(oauthError("<html>"), std::nullopt);
    EXPECT_EQ(oauthError(""), std::nullopt);
}

TEST(GoogleWireTest, CalendarListEntriesReadAbsentAndNullAsFalseAndRequireAnId) {
    const CalendarListPage page = CalendarListPage::decode(
        R"({"items":[{"id":"a","summary":"A","selected":true},
                     {"id":"b","summaryOverride":"B!","primary":true,"selected":null},
                     {"id":"c","extra":1}],
            "nextPageToken":"p2"})");
    ASSERT_EQ(page.items.size(), 3u);
    EXPECT_TRUE(page.items[0].selected);
    EXPECT_FALSE(page.items[0].primary);
    EXPECT_EQ(page.items[1].summaryOverride, "B!");
    EXPECT_TRUE(page.items[1].primary);
    EXPECT_FALSE(page.items[1].selected);
    EXPECT_FALSE(page.items[2].selected || page.items[2].primary);
    EXPECT_EQ(page.nextPageToken, "p2");
    EXPECT_TRUE(CalendarListPage::decode("{}").items.empty());

    for (const std::string body : {R"({"items":[{"summary":"no id"}]})", R"({"items":[{"id":"a","selected":"yes"}]})",
                                   R"({"items":{}})", R"({"nextPageToken":5})", "[]", "{"}) {
        EXPECT_THROW(CalendarListPage::decode(body), json::DecodingError) << body;
    }
}

TEST(GoogleWireTest, EventsPagesCountTheItemsThatDoNotDecode) {
    const EventsPage page = EventsPage::decode(
        R"({"items":[{"id":"e1","start":{"dateTime":"2026-12-09T09:00:00Z"}},{"id":5},{"id":"e3"}],
            "nextPageToken":"n"})");
    ASSERT_EQ(page.items.size(), 2u);
    EXPECT_EQ(page.items[0].id, "e1");
    EXPECT_EQ(page.items[1].id, "e3");
    EXPECT_EQ(page.skipped, 1u);
    EXPECT_EQ(page.nextPageToken, "n");
    EXPECT_TRUE(EventsPage::decode("{}").items.empty());
    EXPECT_THROW(EventsPage::decode(R"({"items":"x"})"), json::DecodingError);
    EXPECT_THROW(EventsPage::decode("{\"items\":["), json::DecodingError);
}

} // namespace
} // namespace ostrel::googlewire
