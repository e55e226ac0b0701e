#include "support/RawDatabase.hpp"
#include "core/store/Store.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

// The lines of output that are rows of one signal, in order.
std::vector<std::string> rowsOf(const std::string& out, const std::string& signal) {
    std::vector<std::string> rows;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end - start);
        if (line.find("\"signal\":\"" + signal + "\"") != std::string::npos) {
            rows.push_back(line);
        }
    }
    return rows;
}

TEST(ObserveCommand, BrowserStepsReachTheTabSource) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", R"({
  "ownPid": 1000,
  "apps": [{"pid": 1000, "bundleID": "org.ostrel.Ostrel", "name": "Ostrel"}],
  "trusted": true,
  "installed": [
    {"appID": "com.google.Chrome", "name": "Google Chrome", "windows": [{"title": "New Tab"}]},
    {"appID": "com.brave.Browser", "name": "Brave", "windows": [{"title": "New Tab"}]}
  ]
})");
    // Chrome is allowed and opens on a page shortly after an unlock, then a private window comes
    // forward; Brave is allowed but refuses every script, so its pages are never written.
    const std::string script = dir.write("browse.jsonl", R"(
{"at": 1757916000000, "step": "setAutomation", "app": "com.google.Chrome", "permission": "granted"}
{"at": 1757916000000, "step": "setAutomation", "app": "com.brave.Browser", "permission": "granted", "answer": "granted", "scriptError": -1743}
{"at": 1757916000000, "step": "showTab", "app": "com.google.Chrome", "url": "https://en.wikipedia.org/wiki/Fraction", "title": "Fraction - Wikipedia"}
{"at": 1757916000100, "step": "lock"}
{"at": 1757916000500, "step": "unlock"}
{"at": 1757916001000, "step": "launch", "app": "com.google.Chrome"}
{"at": 1757916010000, "step": "showTab", "app": "com.google.Chrome", "url": "https://example.org/secret", "title": "Secret", "private": true}
{"at": 1757916020000, "step": "showTab", "app": "com.brave.Browser", "url": "https://www.khanacademy.org/math"}
{"at": 1757916021000, "step": "launch", "app": "com.brave.Browser"}
{"at": 1757916030000, "step": "showTab", "app": "com.brave.Browser", "url": "https://www.khanacademy.org/science", "title": "Science"}
{"at": 1757916040000, "step": "closeTabs", "app": "com.brave.Browser"}
)");
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(rowsOf(result.out, "browser.tab"),
              (std::vector<std::string>{
                  R"({"payload":{"site":"en.wikipedia.org","url":"https://en.wikipedia.org/wiki/Fraction"},)"
                  R"("signal":"browser.tab","ts":1757916001000})",
                  R"({"payload":{"excluded":true},"signal":"browser.tab","ts":1757916010000})"}))
        << result.out;
    // Brave was asked (and refused), not skipped.
    EXPECT_NE(result.err.find("[browser] Couldn't read the front tab"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("khanacademy"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("secret"), std::string::npos) << result.out;
}

TEST(ObserveCommand, QueuedLocationFixesAnswerTheNextRequestAndTheLastIsKeptAtItsOwnTime) {
    test::TempDir dir;
    const std::string state = dir.write("machine.json", machine);
    const std::string script = dir.write(
        "fixes.jsonl",
        "{\"at\": 1757916000000, \"step\": \"queueLocationFixes\", \"fixes\": ["
        "{\"latitude\": 52.1, \"longitude\": 13.1, \"accuracy\": 80, \"time\": 1757915990000},"
        "{\"latitude\": 52.2, \"longitude\": 13.2, \"accuracy\": 20, \"time\": 1757915995000}]}\n"
        "{\"at\": 1757916001000, \"step\": \"setLocationAuthorization\", \"status\": \"always\"}\n"
        "{\"at\": 1757916002000, \"step\": \"failNextLocation\", \"error\": \"no fix indoors\"}\n"
        "{\"at\": 1757916003000, \"step\": \"sleep\", \"seconds\": 60}\n");
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> locations = rowsOf(result.out, "location");
    ASSERT_EQ(locations.size(), 1u) << result.out;
    EXPECT_NE(locations[0].find("\"ts\":1757915995000"), std::string::npos) << locations[0];
    EXPECT_NE(locations[0].find("\"latitude\":52.2"), std::string::npos) << locations[0];
    EXPECT_NE(result.err.find("[place] No location reading"), std::string::npos) << "the wake's request failed: " << result.err;
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
    const std::string db = (dir / "observed.sqlite").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"observe", "--machine", state, "--script", script, "--tz", "UTC",
                                                     "--google", server.baseUrl(), "--token", "REFRESH-SECRET",
                                                     "--db", db, "--config", (dir / "config").string()});
    server.stop();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(R"({"payload":{"event":"g1","idle":0,"locked":false,"occurrence":1757916600000,"start":1757916600000},"signal":"calendar.event_start","ts":1757916600000})"),
              std::string::npos)
        << result.out;
    for (const char* secret : {"REFRESH-SECRET", "ACCESS-SECRET"}) {
        EXPECT_EQ(result.out.find(secret), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(secret), std::string::npos) << result.err;
        // Nor in any byte of any file the run left: database, its journal, settings.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (entry.is_regular_file()) {
                std::ifstream file(entry.path(), std::ios::binary);
                const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
                EXPECT_EQ(bytes.find(secret), std::string::npos) << entry.path();
            }
        }
    }
    EXPECT_TRUE(std::filesystem::exists(db));
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
        {"{\"at\": 1, \"step\": \"showTab\", \"app\": \"com.google.Chrome\"}\n",
         "line 1: showTab needs \"url\""},
        {"{\"at\": 1, \"step\": \"showTab\", \"app\": \"com.google.Chrome\", \"url\": \"https://a.org\", "
         "\"private\": \"yes\"}\n",
         "line 1: \"private\" must be true or false"},
        {"{\"at\": 1, \"step\": \"showTab\", \"app\": \"com.google.Chrome\", \"url\": 7}\n",
         "line 1: \"url\" must be text"},
        {"{\"at\": 1, \"step\": \"closeTabs\"}\n", "line 1: closeTabs needs \"app\""},
        {"{\"at\": 1, \"step\": \"setAutomation\", \"app\": \"com.google.Chrome\"}\n",
         "line 1: setAutomation needs \"permission\""},
        {"{\"at\": 1, \"step\": \"setAutomation\", \"app\": \"com.google.Chrome\", \"permission\": "
         "\"maybe\"}\n",
         "line 1: \"permission\" must be notDetermined, denied or granted"},
        {"{\"at\": 1, \"step\": \"setAutomation\", \"app\": \"com.google.Chrome\", \"permission\": "
         "\"granted\", \"answer\": \"always\"}\n",
         "line 1: \"answer\" must be notDetermined, denied or granted"},
        {"{\"at\": 1, \"step\": \"setAutomation\", \"app\": \"com.google.Chrome\", \"permission\": "
         "\"granted\", \"scriptError\": -1743.5}\n",
         "line 1: \"scriptError\" must be an error number"},
        {"{\"at\": 1, \"step\": \"setAutomation\", \"app\": \"com.google.Chrome\", \"permission\": "
         "\"granted\", \"scriptError\": 99999999999}\n",
         "line 1: \"scriptError\" must be an error number"},
        {"{\"at\": 1, \"step\": \"queueLocationFixes\", \"fixes\": []}\n",
         "line 1: \"fixes\" must be a list of one or more locations"},
        {"{\"at\": 1, \"step\": \"queueLocationFixes\", \"fixes\": [{\"latitude\": 1, \"longitude\": 2, "
         "\"accuracy\": 3, \"time\": \"noon\"}]}\n",
         "line 1: a fix's \"time\" must be"},
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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines that differ, as "-expected" and "+actual" under their line number; "" when none do.
std::string lineDifferences(const std::string& expected, const std::string& actual) {
    const auto want = linesOf(expected);
    const auto got = linesOf(actual);
    std::ostringstream out;
    for (std::size_t index = 0; index < std::max(want.size(), got.size()); ++index) {
        const std::string* wanted = index < want.size() ? &want[index] : nullptr;
        const std::string* had = index < got.size() ? &got[index] : nullptr;
        if (wanted != nullptr && had != nullptr && *wanted == *had) {
            continue;
        }
        out << "line " << index + 1 << ":\n";
        if (wanted != nullptr) {
            out << "- " << *wanted << "\n";
        }
        if (had != nullptr) {
            out << "+ " << *had << "\n";
        }
    }
    return out.str();
}

// A student's Monday (tools/fixtures/day/README.md) played whole and compared with the rows it
// should give. OSTREL_UPDATE_GOLDEN=1 rewrites the golden file from this run instead.
TEST(ObserveCommand, AStudentsDayGivesTheGoldenRowsAndNeverTheNetworkName) {
    const std::filesystem::path fixture = std::filesystem::path(OSTREL_TOOL_FIXTURES) / "day";
    const std::string network = "Campus-Secret-Net";
    ASSERT_NE(test::readFile(fixture / "day.jsonl").find(network), std::string::npos)
        << "the script no longer joins the network this test looks for";
    test::TempDir dir;
    // A copy of the preferences, whose fixed network salt keeps the hashes the same from run to run.
    std::filesystem::create_directory(dir / "config");
    std::filesystem::copy_file(fixture / "config" / "settings.json", dir / "config" / "settings.json");
    const std::filesystem::path db = dir / "out" / "quev.sqlite";
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"observe", "--machine", (fixture / "machine.json").string(), "--script",
                                     (fixture / "day.jsonl").string(), "--tz", "Europe/Berlin", "--config",
                                     (dir / "config").string(), "--db", db.string()});
    ASSERT_EQ(result.status, 0) << result.err;

    // stdout holds the rows; stderr every log line of the run.
    EXPECT_EQ(result.out.find(network), std::string::npos) << result.out;
    EXPECT_EQ(result.err.find(network), std::string::npos) << result.err;
    // No row of any table, and no byte of the files the store left behind (journal included).
    test::RawDatabase raw(db);
    const auto tables = linesOf(raw.scalar("SELECT group_concat(name, char(10)) FROM sqlite_master WHERE "
                                           "type = 'table' AND name NOT LIKE 'sqlite_%'"));
    ASSERT_FALSE(tables.empty());
    for (const std::string& table : tables) {
        const auto columns = linesOf(
            raw.scalar("SELECT group_concat(name, char(10)) FROM pragma_table_info('" + table + "')"));
        std::string anyColumn;
        for (const std::string& column : columns) {
            anyColumn += (anyColumn.empty() ? "" : " OR ") + std::string("instr(CAST(\"") + column +
                         "\" AS TEXT), '" + network + "') > 0";
        }
        EXPECT_EQ(raw.scalar("SELECT count(*) FROM \"" + table + "\" WHERE " + anyColumn), "0") << table;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir / "out")) {
        EXPECT_EQ(test::readFile(entry.path()).find(network), std::string::npos) << entry.path();
    }
    // The network's rows are there, hashed: leaving home's network and joining the campus one.
    EXPECT_EQ(rowsOf(result.out, "wifi").size(), 3u) << result.out;

    const std::filesystem::path golden = fixture / "day.golden.jsonl";
    if (const char* update = std::getenv("OSTREL_UPDATE_GOLDEN");
        update != nullptr && std::string(update) == "1") {
        std::ofstream(golden, std::ios::binary | std::ios::trunc) << result.out;
        GTEST_SKIP() << "rewrote " << golden << "; read it before committing it";
    }
    const std::string differences = lineDifferences(test::readFile(golden), result.out);
    EXPECT_EQ(differences, "") << "the rows differ from " << golden
                               << " (- golden, + this run; OSTREL_UPDATE_GOLDEN=1 rewrites it):\n"
                               << differences;
}

} // namespace
} // namespace ostrel
