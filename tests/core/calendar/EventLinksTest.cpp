#include "core/calendar/EventLinks.hpp"

#include "core/browsing/WebPage.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Texts = std::vector<std::optional<std::string>>;
using Links = std::vector<std::string>;

TEST(EventLinks, KeepsWebLinksOnceInOrderWithoutNoise) {
    const struct {
        const char* name;
        Texts explicitLinks;
        Texts texts;
        Links expected;
    } cases[] = {
        {"absent explicit then one",
         {std::nullopt, "https://uni.example/course"},
         {},
         {"https://uni.example/course"}},
        {"explicit keeps its place",
         {"https://uni.example/c"},
         {"Notes: https://other.example/a and https://uni.example/c"},
         {"https://uni.example/c", "https://other.example/a"}},
        {"trailing slash is another link",
         {"https://uni.example/c", "https://uni.example/c/"},
         {},
         {"https://uni.example/c", "https://uni.example/c/"}},
        {"capital scheme stays as written", {"HTTPS://Uni.example/C"}, {}, {"HTTPS://Uni.example/C"}},
        {"mail and ftp dropped", {}, {"prof@uni.example ftp://files.example/x"}, {}},
        {"calendar host dropped",
         {"https://calendar.google.com/event?eid=1", "https://www.calendar.google.com/x",
          "https://ok.example"},
         {},
         {"https://ok.example"}},
        {"signin and meetingOptions dropped, other capitals kept",
         {"https://teams.microsoft.com/meetingOptions/x", "https://a.example/signin?next=1",
          "https://a.example/SignIn", "https://a.example/meetingoptions"},
         {},
         {"https://a.example/SignIn", "https://a.example/meetingoptions"}},
        {"at most four",
         {"https://1.example", "https://2.example", "https://3.example"},
         {"https://4.example https://5.example https://6.example"},
         {"https://1.example", "https://2.example", "https://3.example", "https://4.example"}},
        {"empty and absent texts", {}, {std::nullopt, "", "www.uni.example"}, {"http://www.uni.example"}},
        {"explicit text that is no URL", {"not a url", ""}, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EventLinks::links(c.explicitLinks, c.texts), c.expected) << c.name;
    }
}

TEST(WebPage, MeetingLinksAreMeetingHostsAndTheirSubdomains) {
    const struct {
        const char* url;
        bool meeting;
    } cases[] = {
        {"https://zoom.us/j/1", true},
        {"https://uni-example.zoom.us/j/1", true},
        {"https://www.meet.google.com/abc", true},
        {"https://teams.live.com/meet/1", true},
        {"https://notzoom.us/j/1", false},
        {"zoommtg://zoom.us/join", false},
        {"https://zoom.us.example/j/1", false},
        {"https://uni.example/zoom.us", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebPage::isMeeting(c.url), c.meeting) << c.url;
    }
}

} // namespace
} // namespace ostrel
