// The "Your time" report of one week as the Time page builds it: 8,000 observations a day over the
// week and the six hours read before it (58,000 rows), 35 classes, in a zone with daylight saving.
// Beside it, the plain SQLite read of the same rows, the floor any report over stored observations
// pays, and the report's two parts alone. At the end the program prints the ratios of their median
// repetitions, all run in the same process. The file lives under TMPDIR (default /tmp).

#include "Timing.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/TimeReport.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/store/Store.hpp"

#include <array>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

namespace fs = std::filesystem;
using namespace ostrel;

constexpr std::int64_t hour = 3'600'000;
constexpr std::int64_t day = 24 * hour;
constexpr std::int64_t perDay = 8'000;
constexpr std::int64_t lookBack = 6 * hour;
constexpr std::int64_t from = 1'709'506'800'000; // Monday 2024-03-04 00:00 in Berlin
constexpr std::int64_t to = from + 7 * day;

const std::array<const char*, 6> apps{"com.apple.Safari",  "com.apple.Notes",    "com.microsoft.Word",
                                      "com.apple.Preview", "com.apple.Terminal", "org.zotero.zotero"};
const std::array<const char*, 5> sites{"lms.example.edu", "wiki.example.org", "docs.example.com",
                                       "mail.example.com", "video.example.net"};
const std::array<const char*, 5> classes{"Physics", "Linear Algebra", "History", "Chemistry Lab", "Seminar"};

SignalObservation observationAt(std::int64_t index, std::int64_t ts) {
    const auto encoded = [&](const Signal& signal, const auto& payload) {
        return SignalObservation(ts, signal, json::encodeRecord(payload));
    };
    const auto pick = [&](const auto& list) {
        return list[static_cast<std::size_t>(index / 20) % list.size()];
    };
    if (index % 4'000 == 1'000) {
        return SignalObservation(ts, Signal::sleep, "{}");
    }
    if (index % 4'000 == 1'100) {
        return SignalObservation(ts, Signal::wake, "{}");
    }
    if (index % 500 == 250) {
        return SignalObservation(ts, Signal::userIdle, "{}");
    }
    if (index % 500 == 260) {
        return SignalObservation(ts, Signal::userActive, "{}");
    }
    if (index % 2'500 == 7) {
        return encoded(Signal::quevRun,
                       RunPayload{"run-" + std::to_string(index),
                                  "slot:2:19:unknown",
                                  {"app:com.apple.Notes", "page:https://lms.example.edu/c/1"},
                                  true,
                                  1,
                                  2,
                                  true});
    }
    if (index % 7'500 == 17) {
        return encoded(Signal::quevUndo, UndoPayload{"run-" + std::to_string(index - 10)});
    }
    switch (index % 20) {
    case 0:
        return encoded(Signal::appActivate, AppPayload(pick(apps), "App", "/Applications/App.app", false));
    case 1:
    case 11:
        return encoded(Signal::browserTab, TabPayload{pick(sites), std::nullopt, std::nullopt});
    case 9: {
        RunningAppsPayload running;
        for (const char* app : apps) {
            running.apps.emplace_back(app, "App", "/Applications/App.app", false);
        }
        running.front = pick(apps);
        return encoded(Signal::appsRunning, running);
    }
    case 13:
        return SignalObservation(ts, Signal::power,
                                 R"({"batteryPercent":80,"charging":false,"source":"battery"})");
    default: {
        WindowPayload window;
        window.bundleID = pick(apps);
        window.document = "/Users/ana/Documents/notes-" + std::to_string(index % 7) + ".md";
        window.frame = WindowPayload::Frame{0, 25, 1440, 875};
        return encoded(index % 2 == 0 ? Signal::windowFocus : Signal::windowChange, window);
    }
    }
}

// The week's file, made once and removed at exit.
class Week {
public:
    Week() : folder_(fs::temp_directory_path() / ("ostrel-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
        Store store(path());
        std::vector<SignalObservation> observations;
        const std::int64_t count = (to - (from - lookBack)) / (day / perDay);
        for (std::int64_t i = 0; i < count; ++i) {
            observations.push_back(observationAt(i, from - lookBack + i * (day / perDay)));
        }
        store.append(observations);
        for (int d = 0; d < 7; ++d) {
            for (int c = 0; c < 5; ++c) {
                CalendarEvent event;
                event.title = classes[static_cast<std::size_t>(c)];
                event.key = event.title;
                event.start = from + d * day + (8 + 2 * c) * hour;
                event.end = event.start + hour + hour / 2;
                events_.push_back(event);
            }
        }
        store.syncCalendar(events_, from, to, from);
    }
    ~Week() { fs::remove_all(folder_); }

    fs::path path() const { return folder_ / "quev.sqlite"; }
    const std::vector<CalendarEvent>& events() const { return events_; }

private:
    fs::path folder_;
    std::vector<CalendarEvent> events_;
};

const Week& week() {
    static const Week instance;
    return instance;
}

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "de_DE");
    return calendar;
}

// Every row of the span read with the C API into memory, as tightly as a hand-written loop does it:
// the statement prepared once, the vector reserved, one string for each signal and payload.
class RawReader {
public:
    explicit RawReader(sqlite3* connection) : connection_(connection) {
        if (sqlite3_prepare_v3(
                connection,
                "SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ? ORDER BY ts, id", -1,
                SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(connection));
        }
        expected_ = read().size();
    }
    ~RawReader() { sqlite3_finalize(statement_); }
    RawReader(const RawReader&) = delete;
    RawReader& operator=(const RawReader&) = delete;

    std::vector<SignalObservation> read() const {
        sqlite3_bind_int64(statement_, 1, from - lookBack);
        sqlite3_bind_int64(statement_, 2, to);
        std::vector<SignalObservation> rows;
        rows.reserve(expected_);
        while (sqlite3_step(statement_) == SQLITE_ROW) {
            const auto text = [&](int column) {
                return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement_, column)),
                                   static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
            };
            rows.emplace_back(sqlite3_column_int64(statement_, 0), Signal(text(1)), text(2));
        }
        if (sqlite3_reset(statement_) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(connection_));
        }
        return rows;
    }

private:
    sqlite3* connection_;
    sqlite3_stmt* statement_ = nullptr;
    std::size_t expected_ = 0;
};

class Connection {
public:
    Connection() {
        if (sqlite3_open_v2(week().path().c_str(), &handle_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            throw std::runtime_error("cannot open the bench file");
        }
    }
    ~Connection() { sqlite3_close(handle_); }
    sqlite3* get() const { return handle_; }

private:
    sqlite3* handle_ = nullptr;
};

void BM_RawRead(benchmark::State& state) {
    const Connection connection;
    const RawReader reader(connection.get());
    std::size_t rows = 0;
    bench::timed(state, "raw", [&] {
        rows = reader.read().size();
        benchmark::DoNotOptimize(rows);
    });
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

// What the Time page does: the store's read of the same rows and of the classes, then the report.
void BM_Report(benchmark::State& state) {
    Store store(week().path(), Store::Access::reader);
    bench::timed(state, "report", [&] {
        const auto observations = store.observationsWithPayloadsOf(from - lookBack, to, TimeReport::payloadSignals());
        const auto events = store.calendarEvents(from, to);
        benchmark::DoNotOptimize(TimeReport(observations, from, to, events, berlin()));
    });
}
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);

// The store's read alone, as the report makes it.
void BM_ReportRead(benchmark::State& state) {
    Store store(week().path(), Store::Access::reader);
    std::size_t rows = 0;
    bench::timed(state, "read", [&] {
        const auto observations = store.observationsWithPayloadsOf(from - lookBack, to, TimeReport::payloadSignals());
        const auto events = store.calendarEvents(from, to);
        rows = observations.size();
        benchmark::DoNotOptimize(events);
    });
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ReportRead)->Unit(benchmark::kMillisecond);

// The report alone, over observations already in memory.
void BM_ReportComputation(benchmark::State& state) {
    Store store(week().path(), Store::Access::reader);
    const auto observations = store.observationsWithPayloadsOf(from - lookBack, to, TimeReport::payloadSignals());
    bench::timed(state, "computation", [&] {
        benchmark::DoNotOptimize(TimeReport(observations, from, to, week().events(), berlin()));
    });
    state.counters["rows"] = static_cast<double>(observations.size());
}
BENCHMARK(BM_ReportComputation)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("week's report over the raw read of its rows (aim: 1.5 or less)", "report", "raw");
        ostrel::bench::printRatio("  the store's read alone over the raw read", "read", "raw");
        ostrel::bench::printRatio("  the computation alone over the raw read", "computation", "raw");
    });
}
