// The pieces of the browser sign-in: random values and the PKCE challenge, the authorisation URL,
// reading the browser's redirect, and the page and response bytes it is answered with.

#include "app/google/GoogleSignIn.hpp"

#include "app/google/GoogleCalendar.hpp"
#include "platform/AppInfo.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "support/TempDir.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include <set>

namespace ostrel {
namespace {

TEST(GoogleSignInTest, TheChallengeIsTheRfc7636Transformation) {
    // RFC 7636, appendix B.
    EXPECT_EQ(GoogleSignIn::challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

TEST(GoogleSignInTest, RandomStringsAre43UrlSafeCharactersAndDiffer) {
    SecureRandom random;
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string text = GoogleSignIn::randomString(random);
        ASSERT_EQ(text.size(), 43u) << text;
        EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
                  std::string::npos)
            << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 20u);
}

TEST(GoogleSignInTest, TheAuthorisationUrlCarriesItsItemsInOrderEncoded) {
    const std::string url = GoogleSignIn::authorizationURL(GoogleEndpoints::local("http://127.0.0.1:9/"), "id+1",
                                                           "http://127.0.0.1:5000", "CH", "ST");
    EXPECT_EQ(url, "http://127.0.0.1:9/o/oauth2/v2/auth?client_id=id%2B1&redirect_uri=http%3A%2F%2F127.0.0.1%3A5000"
                   "&response_type=code&scope=http%3A%2F%2F127.0.0.1%3A9%2Fauth%2Fcalendar.readonly"
                   "&code_challenge=CH&code_challenge_method=S256&access_type=offline&prompt=consent&state=ST");
    EXPECT_EQ(GoogleSignIn::authorizationURL(GoogleEndpoints::production(), "i", "r", "c", "s")
                  .rfind("https://accounts.google.com/o/oauth2/v2/auth?", 0),
              0u);
}

TEST(GoogleSignInTest, RedirectsAreReadFromTheRequestLineOnly) {
    using Items = GoogleSignIn::QueryItems;
    struct Case {
        std::string request;
        Items items;
    };
    const std::vector<Case> cases = {
        {"GET /?state=S&code=4%2F0Ab HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", {{"state", "S"}, {"code", "4/0Ab"}}},
        {"GET  /?code=c&&state=S  HTTP/1.1", {{"code", "c"}, {"state", "S"}}},
        {"GET /?error=access_denied&state=S HTTP/1.1", {{"error", "access_denied"}, {"state", "S"}}},
        {"GET /favicon.ico HTTP/1.1\r\n\r\n", {}},
        {"GET /? HTTP/1.1", {}},
        {"GET", {}},
        {"", {}},
        {"GET /?a b HTTP/1.1", {{"a", ""}}},
        {"GET /?x=%zz HTTP/1.1", {}}, // not a URL
        {"GET /?state=S\tcode=c HTTP/1.1", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GoogleSignIn::redirectItems(c.request), c.items) << c.request;
    }
}

TEST(GoogleSignInTest, OnlyTheExpectedStateWithACodeGivesTheCode) {
    using Items = GoogleSignIn::QueryItems;
    struct Case {
        Items items;
        std::optional<std::string> code;
    };
    const std::vector<Case> cases = {
        {{{"state", "S"}, {"code", "c"}}, "c"},
        {{{"code", "c"}, {"state", "S"}, {"state", "T"}}, "c"},
        {{{"code", "c"}, {"state", "T"}, {"state", "S"}}, std::nullopt}, // the first state counts
        {{{"state", "T"}, {"code", "c"}}, std::nullopt},
        {{{"code", "c"}}, std::nullopt},
        {{{"state", "S"}}, std::nullopt},
        {{{"state", "S"}, {"code", ""}}, std::nullopt},
        {{{"state", "S"}, {"error", "access_denied"}}, std::nullopt},
        {{{"state", ""}, {"code", "c"}}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GoogleSignIn::code(c.items, "S"), c.code);
    }
}

TEST(GoogleSignInTest, TheResponseCountsBytesOfTheBody) {
    const std::string body = "<h1>You\u2019re connected.</h1>";
    EXPECT_EQ(GoogleSignIn::response("200 OK", body),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 28\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\n" +
                  body);
    EXPECT_EQ(GoogleSignIn::response("404 Not Found", ""),
              "HTTP/1.1 404 Not Found\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 0\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\n");
}

TEST(GoogleSignInTest, WithoutATemplateThePageIsTheInlineOne) {
    const test::TempDir empty;
    for (const std::filesystem::path& folder : {std::filesystem::path(), empty.path()}) {
        const std::string connected = GoogleSignIn::page(true, 1'796'806'096.0, folder);
        EXPECT_EQ(connected,
                  "<!doctype html><meta charset=\"utf-8\"><title>Ostrel</title><body style=\"font:18px "
                  "-apple-system,sans-serif;text-align:center;padding-top:30vh\"><h1>You\u2019re connected.</h1>"
                  "<p>Ostrel can see your Google Calendar now. From your next class on, it gets your Mac ready "
                  "before it starts.</p>");
        EXPECT_NE(GoogleSignIn::page(false, 0, folder).find("<h1>Sign-in didn\u2019t finish.</h1>"),
                  std::string::npos);
    }
}

TEST(GoogleSignInTest, TheTemplateGetsItsTextsAndEmbedsItsImagesAndFonts) {
    const test::TempDir folder;
    folder.write("connected.html",
                 "<html class=\"{{state}}\"><h1>{{title}}</h1><p>{{text}}</p><b>{{month}} {{day}}</b>"
                 "<img src=\"cloud.png\"><img src=\"cloud.PNG\"><style>@font-face{src:url(f.woff2)}"
                 "body{background:url(sky.webp)} .x{content:\"notes.txt\"}</style>{{title}}</html>");
    folder.write("cloud.png", "PNG!");
    folder.write("sky.webp", "ab");
    folder.write("f.woff2", "fo");
    folder.write("notes.txt", "no");

    // 9 December 2026, 08:48 UTC (the tests run with TZ=UTC).
    const std::string page = GoogleSignIn::page(false, 1'796'806'096.0, folder.path());
    EXPECT_EQ(page, "<html class=\"failed\"><h1>Sign-in didn\u2019t finish.</h1><p>Nothing was connected. Go back "
                    "to Ostrel and click Connect to try again.</p><b>DEC 9</b>"
                    "<img src=\"data:image/png;base64,UE5HIQ==\"><img src=\"cloud.PNG\"><style>@font-face{src:url("
                    "data:font/woff2;base64,Zm8=)}body{background:url(data:image/webp;base64,YWI=)} "
                    ".x{content:\"notes.txt\"}</style>Sign-in didn\u2019t finish.</html>");
    EXPECT_NE(GoogleSignIn::page(true, 1'796'806'096.0, folder.path()).find("class=\"connected\""),
              std::string::npos);
}

// The page the application ships: every placeholder filled, and its picture inside the page, since
// the listener serves nothing after it.
TEST(GoogleSignInTest, TheShippedPageNeedsNoFurtherRequest) {
    const std::filesystem::path shipped = std::filesystem::path(__FILE__).parent_path() / "../../../resources/Connected";
    ASSERT_TRUE(std::filesystem::exists(shipped / "connected.html")) << shipped;
    for (const bool connected : {true, false}) {
        const std::string page = GoogleSignIn::page(connected, 1'796'806'096.0, shipped);
        EXPECT_EQ(page.find("{{"), std::string::npos) << page;
        EXPECT_EQ(page.find("cloud.png"), std::string::npos) << "the picture is embedded";
        EXPECT_NE(page.find("url(data:image/png;base64,"), std::string::npos);
        EXPECT_NE(page.find(connected ? "You\u2019re connected." : "Sign-in didn\u2019t finish."), std::string::npos);
        EXPECT_NE(page.find(">DEC<"), std::string::npos);
    }
    const Settings settings{Settings::inMemory};
    const AppInfo info(std::nullopt, shipped.parent_path(), settings, [](const std::string& name) {
        return name == "OstrelGoogleClientID" ? std::optional<std::string>("id-1") : std::nullopt;
    });
    const GoogleCalendar::Configuration configuration = GoogleCalendar::Configuration::of(info);
    EXPECT_EQ(configuration.clientID, "id-1");
    EXPECT_EQ(configuration.clientSecret, "") << "a missing secret is sent empty";
    EXPECT_EQ(std::filesystem::path(configuration.pageFolder), shipped);
    EXPECT_EQ(configuration.endpoints.api, GoogleEndpoints::production().api);
}

} // namespace
} // namespace ostrel
