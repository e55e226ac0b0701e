// A whole Google Calendar fetch against a fake Google on 127.0.0.1 and its sync into a store that
// holds a generated 90-day semester, beside parsing the same reply bytes alone. The gap is what the
// HTTP round trips, the client's bookkeeping and the store's upserts cost on top of the decoding
// every client must do. Files live under TMPDIR.
//
// The fake serves a calendar list of 4 selected calendars and, for each, 2,500 timed events in one
// page (the client asks for maxResults 2500): a summary, a location, a description with a link,
// start and end with a +01:00 offset, attendees with the user's own entry, a third of them
// instances of weekly series (recurringEventId, originalStartTime), a fifth with a hangout link.
// The replies are built once, the same every run.

#include "SemesterFile.hpp"
#include "Timing.hpp"
#include "app/google/GoogleCalendar.hpp"
#include "core/calendar/GoogleEvent.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/HttpClient.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/FakeHttpServer.hpp"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;
using test::FakeReply;

constexpr int days = 90;
constexpr int calendars = 4;
constexpr int eventsPerCalendar = 2'500;
constexpr std::int64_t reach = 2'419'200'000; // the client's and the source's 28 days, in ms

// The semester, generated once; "now" is the midnight after its last day, so the fetch window
// covers its last four weeks and the four after.
const bench::SemesterFile& semesterFile() {
    static const bench::SemesterFile file("googlefetch", [] {
        semester::SemesterOptions options;
        options.days = days;
        return options;
    }());
    return file;
}

std::int64_t nowMs() { return semesterFile().summary().to; }

// "2027-01-05T09:00:00+01:00" for an instant in ms, written in the +01:00 offset.
std::string offsetTime(std::int64_t ms) {
    const std::time_t local = static_cast<std::time_t>(ms / 1000 + 3600);
    std::tm parts{};
    gmtime_r(&local, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+01:00", &parts);
    return text;
}

std::string compactUTC(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[24];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

std::string calendarID(int calendar) { return "course" + std::to_string(calendar) + "@uni.example"; }

// One calendar's events page: 2,500 events spread over the 56-day window, every 5 minutes apart
// at the least, as the API gives them.
std::string eventsPage(int calendar) {
    const std::int64_t first = nowMs() - reach + 3'600'000;
    const std::int64_t step = (2 * reach - 7'200'000) / eventsPerCalendar / 300'000 * 300'000;
    std::string body = R"({"kind":"calendar#events","summary":")" + calendarID(calendar) +
                       R"(","timeZone":"Europe/Berlin","items":[)";
    for (int i = 0; i < eventsPerCalendar; ++i) {
        const std::int64_t start = first + i * step;
        const std::int64_t end = start + (45 + 15 * (i % 4)) * 60'000;
        const bool recurring = i % 3 == 0;
        const std::string prefix = std::string("c") + std::to_string(calendar);
        const std::string series = prefix + "series" + std::to_string(i % 40);
        const std::string id = recurring ? series + "_" + compactUTC(start) : prefix + "e" + std::to_string(i);
        if (i > 0) {
            body += ',';
        }
        body += R"({"kind":"calendar#event","etag":"\"33)" + std::to_string(100000 + i) + R"(\"","id":")" + id +
                R"(","status":"confirmed","htmlLink":"https://www.google.com/calendar/event?eid=)" + id +
                R"(","created":"2026-09-01T10:00:00.000Z","updated":"2026-09-02T11:30:00.000Z",)" +
                R"("summary":"Lecture )" + std::to_string(i % 40) + R"( – Linear Algebra",)" +
                R"("description":"Room change this week. Slides and reading: https://uni.example/courses/la/)" +
                std::to_string(i % 40) + R"(/slides.pdf\nBring the exercise sheet.",)" +
                R"("location":"Hörsaal )" + std::to_string(1 + i % 12) + R"(, Main Building",)" +
                R"("creator":{"email":"prof@uni.example"},"organizer":{"email":"prof@uni.example"},)" +
                R"("start":{"dateTime":")" + offsetTime(start) + R"(","timeZone":"Europe/Berlin"},)" +
                R"("end":{"dateTime":")" + offsetTime(end) + R"(","timeZone":"Europe/Berlin"},)";
        if (recurring) {
            body += R"("recurringEventId":")" + series + R"(","originalStartTime":{"dateTime":")" +
                    offsetTime(start) + R"(","timeZone":"Europe/Berlin"},)";
        }
        if (i % 5 == 0) {
            body += R"("hangoutLink":"https://meet.google.com/abc-defg-)" + std::to_string(1000 + i % 9000) +
                    R"(",)";
        }
        body += R"("iCalUID":")" + (recurring ? series : id) + R"(@google.com","sequence":0,)" +
                R"("attendees":[{"email":"prof@uni.example","organizer":true,"responseStatus":"accepted"},)" +
                R"({"email":"me@uni.example","self":true,"responseStatus":"accepted"},)" +
                R"({"email":"tutor@uni.example","responseStatus":"needsAction"}],)" +
                R"("reminders":{"useDefault":true},"eventType":"default"})";
    }
    body += "]}";
    return body;
}

const std::vector<std::string>& pages() {
    static const std::vector<std::string> built = [] {
        std::vector<std::string> result;
        for (int calendar = 0; calendar < calendars; ++calendar) {
            result.push_back(eventsPage(calendar));
        }
        return result;
    }();
    return built;
}

std::string calendarList() {
    std::string body = R"({"kind":"calendar#calendarList","items":[)";
    for (int calendar = 0; calendar < calendars; ++calendar) {
        if (calendar > 0) {
            body += ',';
        }
        body += R"({"id":")" + calendarID(calendar) + R"(","summary":"Course )" + std::to_string(calendar) +
                R"(","selected":true,"accessRole":"reader")" + (calendar == 0 ? R"(,"primary":true)" : "") + "}";
    }
    return body + "]}";
}

std::size_t replyBytes() {
    std::size_t total = 0;
    for (const std::string& page : pages()) {
        total += page.size();
    }
    return total;
}

// The fake Google with its replies and a client signed in against it, in virtual time stopped at
// now, one for the run: the access token got by the first refresh stays good for every later one.
struct FakeGoogle {
    test::FakeHttpServer server;
    VirtualTime time{static_cast<double>(nowMs()) / 1000.0};
    Executor& main = time.makeExecutor("main");
    Executor& worker = time.makeExecutor("worker");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    SecureRandom random{7};
    HttpClient http;
    std::unique_ptr<GoogleCalendar> calendar;

    FakeGoogle() {
        server.always("POST", "/token",
                      FakeReply::json(200, R"({"access_token":"ya29.bench","expires_in":3600,"token_type":"Bearer"})"));
        server.always("GET", "/calendar/v3/users/me/calendarList", FakeReply::json(200, calendarList()));
        for (int index = 0; index < calendars; ++index) {
            server.always("GET", "/calendar/v3/calendars/course" + std::to_string(index) + "%40uni.example/events",
                          FakeReply::json(200, pages()[static_cast<std::size_t>(index)]));
        }
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, "1//bench"});
        GoogleCalendar::Configuration configuration;
        configuration.endpoints = GoogleEndpoints::local(server.baseUrl());
        configuration.clientID = "bench";
        calendar = std::make_unique<GoogleCalendar>(configuration, machine.keychain(), machine.workspace(), http,
                                                    random, main, worker);
    }
    ~FakeGoogle() {
        calendar.reset();
        server.stop();
    }
};

FakeGoogle& fakeGoogle() {
    static FakeGoogle google;
    return google;
}

// (b) the same reply bytes parsed alone: the core's JSON parse, GoogleEvent::decodeList and
// calendarEvent for every item, the least any client must do. It runs first, on the fresh heap:
// after the others have run it took 1.5 to 1.7 times as long here (malloc and free are a fifth of
// its profile, and the heap they leave behind is slower to work in), and the baseline is its best.
void BM_ParseReplies(benchmark::State& state) {
    const std::vector<std::string>& bodies = pages();
    std::size_t events = 0;
    bench::timed(state, "parse", [&] {
        std::vector<CalendarEvent> result;
        for (int calendar = 0; calendar < calendars; ++calendar) {
            const json::Value reply = json::parse(bodies[static_cast<std::size_t>(calendar)]);
            const GoogleEvent::DecodedList list = GoogleEvent::decodeList(reply.at("items"));
            const std::string name = "Course " + std::to_string(calendar);
            for (const GoogleEvent& item : list.events) {
                if (auto event = item.calendarEvent(name)) {
                    result.push_back(std::move(*event));
                }
            }
        }
        events = result.size();
        benchmark::DoNotOptimize(result);
    });
    state.counters["events"] = static_cast<double>(events);
    state.counters["reply_MB"] = static_cast<double>(replyBytes()) / 1e6;
}
BENCHMARK(BM_ParseReplies)->Unit(benchmark::kMillisecond)->UseRealTime();

// (a) refresh() through the client and the fake, then the sync into the semester's store over the
// source's range (now to 28 days ahead) as CalendarSignal::sync does it. The store is the same in
// every repetition: the untimed first run inserts the events, every counted one syncs the same
// events again, which is the steady state of a refresh every 900 s (updates, nothing deleted).
void BM_FetchAndSync(benchmark::State& state) {
    const bench::SemesterFile& file = semesterFile();
    FakeGoogle& google = fakeGoogle();
    Store store(file.database());

    std::size_t events = 0;
    const std::size_t requestsBefore = google.server.requests().size();
    std::int64_t fetches = 0;
    bench::timed(state, "fetch and sync", [&] {
        ++fetches;
        google.calendar->refresh();
        const std::vector<CalendarEvent> fetched = google.calendar->fetched().value_or(std::vector<CalendarEvent>{});
        store.syncCalendar(fetched, nowMs(), nowMs() + reach, nowMs());
        events = fetched.size();
    });
    if (events != static_cast<std::size_t>(calendars * eventsPerCalendar)) {
        state.SkipWithError("the fetch did not give every event");
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["requests_per_fetch"] =
        static_cast<double>(google.server.requests().size() - requestsBefore) / static_cast<double>(fetches);
    state.counters["reply_MB"] = static_cast<double>(replyBytes()) / 1e6;
}
BENCHMARK(BM_FetchAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

// (a) without the sync: refresh() alone, to tell the network and the client from the store.
void BM_FetchAlone(benchmark::State& state) {
    FakeGoogle& google = fakeGoogle();
    bench::timed(state, "fetch", [&] {
        google.calendar->refresh();
        benchmark::DoNotOptimize(google.calendar->fetched());
    });
}
BENCHMARK(BM_FetchAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sync alone, of the events the fetch gave, into the same store: the store's share of (a).
void BM_SyncAlone(benchmark::State& state) {
    FakeGoogle& google = fakeGoogle();
    google.calendar->refresh();
    const std::vector<CalendarEvent> fetched = google.calendar->fetched().value_or(std::vector<CalendarEvent>{});
    Store store(semesterFile().database());
    bench::timed(state, "sync", [&] { store.syncCalendar(fetched, nowMs(), nowMs() + reach, nowMs()); });
    state.counters["events"] = static_cast<double>(fetched.size());
}
BENCHMARK(BM_SyncAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

// The medians so far as counters on the last benchmark, for --benchmark_format=json readers.
void BM_Ratio(benchmark::State& state) {
    for (auto _ : state) {
    }
    const auto medianOf = [](const char* name) {
        const auto found = bench::means().find(name);
        return found == bench::means().end() ? 0.0 : bench::median(bench::repetitions(found->second));
    };
    const double whole = medianOf("fetch and sync");
    const double fetch = medianOf("fetch");
    const double parse = medianOf("parse");
    state.counters["sync_ms"] = medianOf("sync") * 1e3;
    state.counters["fetch_sync_ms"] = whole * 1e3;
    state.counters["fetch_ms"] = fetch * 1e3;
    state.counters["parse_ms"] = parse * 1e3;
    state.counters["ratio"] = parse > 0 ? whole / parse : 0;
    state.counters["fetch_ratio"] = parse > 0 ? fetch / parse : 0;
}
BENCHMARK(BM_Ratio)->Iterations(1)->Repetitions(1);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv, [] {
        bench::printRatio("a Google fetch of 10,000 events and its sync over parsing its replies alone", "fetch and sync",
                          "parse");
        bench::printRatio("the fetch alone (no sync) over parsing its replies alone", "fetch", "parse");
        bench::printRatio("the sync alone over parsing the replies alone", "sync", "parse");
    });
}
