#include "core/store/Store.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

const char* machine = R"({
  "ownPid": 1000,
  "apps": [{"pid": 1000, "bundleID": "org.ostrel.Ostrel", "name": "Ostrel"}],
  "trusted": true,
  "installed": [
    {"appID": "org.example.Writer", "name": "Writer",
     "windows": [{"title": "Essay", "document": "file:///home/s/essay.odt", "frame": {"x": 0, "y": 0, "width": 800, "height": 600}}]}
  ]
})";

TEST(ObserveCommand, PlaysAScriptAndPrintsEveryStoredRowInOrder) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", machine);
    const std::string script = dir.write(
        "day.jsonl", "{\"at\": 1757916000000, \"step\": \"launch\", \"app\": \"org.example.Writer\"}\n"
                     "\n"
                     "{\"at\": 1757916010000, \"step\": \"lock\"}\n"
                     "{\"at\": 1757916070000, \"step\": \"unlock\"}\n");
    const std::string db = (dir / "out" / "quev.sqlite").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script,
                                                     "--tz", "Europe/Berlin", "--db", db});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = result.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(result.out.substr(start, end - start));
    }
    const auto signalOf = [](const std::string& line) {
        const auto at = line.find("\"signal\":\"");
        if (at == std::string::npos) {
            return line.rfind("{\"trigger\"", 0) == 0 ? std::string("trigger") : std::string("?");
        }
        return line.substr(at + 10, line.find('"', at + 10) - at - 10);
    };
    std::vector<std::string> signals;
    std::transform(lines.begin(), lines.end(), std::back_inserter(signals), signalOf);
    // At start each snapshot source writes once: displays, power and the audio devices (this machine has
    // no default output, so no "audio"), then the windows the trust grant finds.
    EXPECT_EQ(signals, (std::vector<std::string>{"quev.start", "apps.running", "displays", "power",
                                                 "audio.devices", "windows", "app.launch", "app.activate",
                                                 "window.focus", "screen.lock", "screen.unlock",
                                                 "apps.running", "windows", "trigger"}))
        << result.out;
    EXPECT_NE(result.out.find(R"({"trigger":{"kind":"unlock","ts":1757916070000}})"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(R"("document":"/home/s/essay.odt")"), std::string::npos) << result.out;
    EXPECT_TRUE(std::filesystem::exists(db));
}

TEST(ObserveCommand, PlaceDisplayAudioAndPowerStepsReachTheirSources) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", machine);
    const std::string script = dir.write(
        "campus.jsonl",
        "{\"at\": 1757916000000, \"step\": \"setLocationAuthorization\", \"status\": \"always\"}\n"
        "{\"at\": 1757916001000, \"step\": \"moveTo\", \"location\": {\"latitude\": 52.51234, \"longitude\": "
        "13.4, \"accuracy\": 12.4}}\n"
        "{\"at\": 1757916002000, \"step\": \"joinWiFi\", \"network\": \"Campus Net\"}\n"
        "{\"at\": 1757916003000, \"step\": \"connectDisplay\", \"display\": {\"id\": \"HDMI-1\", \"name\": "
        "\"Projector\", \"number\": 7, \"frame\": {\"x\": 0, \"y\": 0, \"width\": 1920, \"height\": 1080}}}\n"
        "{\"at\": 1757916004000, \"step\": \"addAudioDevice\", \"device\": {\"id\": \"phones\", \"name\": "
        "\"Headphones\", \"transport\": \"bluetooth\"}}\n"
        "{\"at\": 1757916004500, \"step\": \"setDefaultOutput\", \"id\": \"phones\"}\n"
        "{\"at\": 1757916005000, \"step\": \"setDataSource\", \"id\": \"phones\", \"source\": \"hdpn\"}\n"
        "{\"at\": 1757916005500, \"step\": \"setDisplayKeptAwake\", \"awake\": false}\n"
        "{\"at\": 1757916006000, \"step\": \"setPower\", \"power\": {\"source\": \"battery\", \"percent\": "
        "87}}\n"
        "{\"at\": 1757916010000, \"step\": \"sleep\", \"seconds\": 600}\n");
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* expected :
         {"\"signal\":\"wifi\"", "\"signal\":\"location\"", "\"name\":\"Projector\"",
          "\"name\":\"Headphones\"", "\"signal\":\"audio\"", "\"source\":\"battery\"",
          "\"batteryPercent\":85", "\"latitude\":52.5123", "\"dataSource\":\"hdpn\""}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
    // The network's name is salted and hashed before it is stored, and never printed or logged.
    EXPECT_EQ(result.out.find("Campus"), std::string::npos) << result.out;
    EXPECT_EQ(result.err.find("Campus"), std::string::npos) << result.err;
}

TEST(ObserveCommand, CalendarStepsReachTheCalendarSource) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", machine);
    // Starts: 1757916600 maths, 1757916900 art (moved to the evening), 1757917200 gym (removed).
    const std::string script = dir.write(
        "classes.jsonl",
        "{\"at\": 1757916000000, \"step\": \"addCalendar\", \"calendar\": {\"id\": \"school\", \"title\": \"School\"}}\n"
        "{\"at\": 1757916001000, \"step\": \"addCalendarEvent\", \"event\": {\"id\": \"maths\", \"calendarID\": "
        "\"school\", \"title\": \"Maths\", \"start\": 1757916600, \"end\": 1757919600, \"location\": \"Room 4\"}}\n"
        "{\"at\": 1757916002000, \"step\": \"addCalendarEvent\", \"event\": {\"id\": \"art\", \"calendarID\": "
        "\"school\", \"start\": 1757916900, \"end\": 1757919600}}\n"
        "{\"at\": 1757916003000, \"step\": \"addCalendarEvent\", \"event\": {\"id\": \"gym\", \"calendarID\": "
        "\"school\", \"start\": 1757917200, \"end\": 1757919600}}\n"
        "{\"at\": 1757916004000, \"step\": \"setCalendarAnswer\", \"status\": \"granted\"}\n"
        "{\"at\": 1757916005000, \"step\": \"requestCalendarAccess\"}\n"
        "{\"at\": 1757916100000, \"step\": \"changeCalendarEvent\", \"event\": {\"id\": \"art\", \"calendarID\": "
        "\"school\", \"start\": 1757955600, \"end\": 1757959200}}\n"
        "{\"at\": 1757916200000, \"step\": \"removeCalendarEvent\", \"id\": \"gym\"}\n"
        "{\"at\": 1757916300000, \"step\": \"calendarChanged\"}\n"
        "{\"at\": 1757917300000, \"step\": \"setCalendarAccess\", \"status\": \"denied\"}\n");
    const std::string db = (dir / "calendar.sqlite").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script,
                                                     "--tz", "UTC", "--db", db});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> starts;
    for (std::size_t start = 0, end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = result.out.substr(start, end - start);
        if (line.find("calendar.event_start") != std::string::npos || line.rfind("{\"trigger\"", 0) == 0) {
            starts.push_back(line);
        }
    }
    EXPECT_EQ(starts,
              (std::vector<std::string>{
                  R"({"payload":{"event":"maths","idle":0,"locked":false,"occurrence":1757916600000,"start":1757916600000},"signal":"calendar.event_start","ts":1757916600000})",
                  R"({"trigger":{"kind":"event_start","ts":1757916600000}})"}))
        << result.out;
    // The events stay stored after access is gone; the removed one is gone, the moved one moved.
    Store store(db);
    std::vector<std::string> stored;
    for (const CalendarEvent& event : store.calendarEvents(0, std::numeric_limits<std::int64_t>::max())) {
        stored.push_back(event.key + "@" + std::to_string(event.start / 1000));
    }
    EXPECT_EQ(stored, (std::vector<std::string>{"maths@1757916600", "art@1757955600"}));
    EXPECT_NE(result.err.find("[calendar] Apple Calendar can't be read; the calendar Signal is off"),
              std::string::npos)
        << result.err;
}

TEST(ObserveCommand, TheGooglePathReadsAFakeServerWithASeededTokenAndNeverPrintsIt) {
    test::TempDir dir;
    test::FakeHttpServer server;
    server.always("POST", "/token", test::FakeReply::json(200, R"({"access_token":"ACCESS-SECRET","expires_in":3600})"));
    server.always("GET", "/calendar/v3/users/me/calendarList",
                  test::FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true}]})"));
    // 1757916600 is 2025-09-15T06:10:00Z.
    server.always("GET", "/calendar/v3/calendars/me%40uni.example/events",
                  test::FakeReply::json(200, R"({"items":[{"id":"g1","summary":"Maths","start":{"dateTime":)"
                                             R"("2025-09-15T06:10:00Z"},"end":{"dateTime":"2025-09-15T07:00:00Z"}}]})"));
    const std::string state = dir.write("machine.json", machine);
    const std::string script = dir.write("day.jsonl", "{\"at\": 1757916000000, \"step\": \"calendarChanged\"}\n"
                                                      "{\"at\": 1757916700000, \"step\": \"calendarChanged\"}\n");
    const auto result = runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC",
                                                     "--google", server.baseUrl(), "--token", "REFRESH-SECRET"});
    server.stop();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(R"({"payload":{"event":"g1","idle":0,"locked":false,"occurrence":1757916600000,"start":1757916600000},"signal":"calendar.event_start","ts":1757916600000})"),
              std::string::npos)
        << result.out;
    for (const char* secret : {"REFRESH-SECRET", "ACCESS-SECRET"}) {
        EXPECT_EQ(result.out.find(secret), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(secret), std::string::npos) << result.err;
    }
    const auto lone = runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC",
                                                   "--token", "REFRESH-SECRET"});
    EXPECT_EQ(lone.status, 1);
    EXPECT_NE(lone.err.find("--google URL and --token T go together"), std::string::npos) << lone.err;
    EXPECT_EQ(lone.err.find("REFRESH-SECRET"), std::string::npos) << lone.err;
}

TEST(ObserveCommand, ABadLineStopsEverythingWithItsNumber) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", machine);
    const struct {
        const char* script;
        const char* says;
    } cases[] = {
        {"{\"at\": 1, \"step\": \"lock\"}\n{\"at\": 2, \"step\": \"dance\"}\n",
         "line 2: unknown step \"dance\""},
        {"{\"at\": 5, \"step\": \"lock\"}\n{\"at\": 2, \"step\": \"unlock\"}\n",
         "line 2: \"at\" goes back in time"},
        {"{\"step\": \"lock\"}\n", "line 1: \"at\" must be"},
        {"{\"at\": 1, \"step\": \"moveWindow\", \"window\": \"w\", \"x\": 1}\n",
         "line 1: moveWindow needs \"y\""},
        {"not json\n", "line 1: not valid JSON"},
        {"{\"at\": 1, \"step\": \"setLocationAuthorization\", \"status\": \"sometimes\"}\n",
         "line 1: \"status\" must be"},
        {"{\"at\": 1, \"step\": \"connectDisplay\", \"display\": {\"name\": \"x\"}}\n", "line 1: "},
        {"{\"at\": 1, \"step\": \"activate\", \"app\": \"org.example.Nowhere\"}\n",
         "line 1: no running app \"org.example.Nowhere\""},
        {"{\"at\": 1, \"step\": \"setCalendarAccess\", \"status\": \"always\"}\n", "line 1: \"status\" must be"},
        {"{\"at\": 1, \"step\": \"addCalendarEvent\", \"event\": {\"id\": \"e\", \"end\": 2}}\n", "line 1: "},
        {"{\"at\": 1, \"step\": \"changeCalendarEvent\", \"event\": {\"id\": \"e\", \"start\": 1, \"end\": 2}}\n",
         "line 1: no calendar event \"e\""},
    };
    for (const auto& c : cases) {
        const std::string script = dir.write("bad.jsonl", c.script);
        const std::string db = (dir / "bad.sqlite").string();
        const auto result = runProgram(
            OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC", "--db", db});
        EXPECT_EQ(result.status, 1) << c.script;
        EXPECT_EQ(result.out, "") << c.script;
        EXPECT_NE(result.err.find("ostrel-dev observe: " + script + " " + c.says), std::string::npos)
            << result.err;
    }
    const auto badState =
        runProgram(OSTREL_DEV_PATH, {"observe", "--machine", dir.write("m.json", "{\"apps\": 3}"), "--script",
                                     dir.write("s.jsonl", ""), "--tz", "UTC"});
    EXPECT_EQ(badState.status, 1);
    EXPECT_NE(badState.err.find("ostrel-dev observe: machine state"), std::string::npos) << badState.err;
}

} // namespace
} // namespace ostrel
