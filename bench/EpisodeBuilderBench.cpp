#include "core/browsing/TabPayload.hpp"
#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/EpisodeBuilder.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;
constexpr std::int64_t day = 24 * hour;
constexpr int observationsPerDay = 4'000;

struct History {
    std::vector<Trigger> triggers;
    std::vector<SignalObservation> observations; // in time order, as the store gives them
    std::vector<CalendarEvent> calendar;
};

// A student's days: three sessions at the computer (a wake, then two unlocks, each followed by
// the snapshots an arrival records and ended by a lock or sleep), two classes on weekdays whose
// starts are triggers too, a routine run at every other arrival and an undo of every fourth, and
// in between the app, window and tab events that fill a day to observationsPerDay.
class StudentDays {
public:
    explicit StudentDays(bool snapshots) : snapshots_(snapshots) {}

    History make(int days) {
        History history;
        const std::int64_t base = 1'700'000'000'000 - 1'700'000'000'000 % day;
        for (int d = 0; d < days; ++d) {
            const std::int64_t midnight = base + d * day;
            const std::size_t before = history.observations.size();
            const std::pair<std::int64_t, std::int64_t> sessions[] = {{8 * hour, 12 * hour},
                                                                      {13 * hour, 17 * hour + 30 * minute},
                                                                      {19 * hour, 22 * hour + 30 * minute}};
            for (std::size_t s = 0; s < 3; ++s) {
                const std::int64_t arrival = midnight + sessions[s].first + between(0, 20) * minute;
                arrive(history, arrival, s == 0 ? Trigger::Kind::wake : Trigger::Kind::unlock);
                history.observations.push_back(
                    {midnight + sessions[s].second, s == 2 ? Signal::sleep : Signal::lock, "{}"});
            }
            if (d % 7 < 5) {
                for (const std::int64_t start : {10 * hour, 15 * hour}) {
                    classAt(history, midnight + start, d);
                }
            }
            const std::size_t recorded = history.observations.size() - before;
            for (std::size_t i = recorded; i < observationsPerDay; ++i) {
                const auto& session = sessions[static_cast<std::size_t>(between(0, 2))];
                activity(history, midnight + between(session.first + minute, session.second - minute));
            }
        }
        std::stable_sort(history.observations.begin(), history.observations.end(),
                         [](const SignalObservation& a, const SignalObservation& b) { return a.ts < b.ts; });
        std::stable_sort(history.triggers.begin(), history.triggers.end(),
                         [](const Trigger& a, const Trigger& b) { return a.ts < b.ts; });
        return history;
    }

private:
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
    }
    const std::string& app() { return apps_[static_cast<std::size_t>(between(0, 11))]; }

    WindowPayload window() {
        const std::string& bundleID = app();
        WindowPayload payload;
        payload.bundleID = bundleID;
        if (bundleID == "com.apple.Notes") {
            payload.title = "Week " + std::to_string(between(1, 12));
        } else if (between(0, 2) == 0) {
            payload.document = "/Users/student/Documents/course-" + std::to_string(between(1, 30)) + ".pdf";
        }
        payload.frame = WindowPayload::Frame{between(0, 1) * 720, 25, 720 * between(1, 2), 875};
        return payload;
    }

    void arrive(History& history, std::int64_t at, Trigger::Kind kind) {
        history.triggers.push_back({at, kind});
        auto& o = history.observations;
        o.push_back({at, kind == Trigger::Kind::wake ? Signal::wake : Signal::unlock, "{}"});
        if (snapshots_) {
            RunningAppsPayload running;
            for (int i = 0; i < 8; ++i) {
                running.apps.emplace_back(app(), "App", "/Applications/App.app", false);
            }
            running.front = running.apps.front().bundleID;
            o.push_back({at + 200, Signal::appsRunning, json::encodeRecord(running)});
            WindowsPayload windows;
            for (int i = 0; i < 6; ++i) {
                windows.windows.push_back(window());
            }
            o.push_back({at + 400, Signal::windows, json::encodeRecord(windows)});
        }
        DisplaysPayload displays;
        displays.displays.push_back(
            {1, "37D8832A-2D66-02CA-B9F7-8F30A301B230", "Built-in", 0, 0, 1440, 900, true, true});
        o.push_back({at + 600, Signal::displays, json::encodeRecord(displays)});
        o.push_back({at + 800, Signal::wifi, json::encodeRecord(WiFiPayload{"0123456789abcdef"})});
        o.push_back({at + 1'000, Signal::audio,
                     json::encodeRecord(AudioPayload("BuiltInSpeakerDevice", "Speakers", "builtin",
                                                     std::nullopt, 0.5, between(0, 1) == 0))});
        o.push_back({at + 1'500, Signal::location, json::encodeRecord(LocationPayload{48.8566, 2.3522, 35})});
        if (++arrivals_ % 2 == 0) {
            const std::string run = "run-" + std::to_string(arrivals_);
            o.push_back({at + 3'000, Signal::quevRun,
                         json::encodeRecord(
                             RunPayload{run, "slot:2:18:unknown", {"app:" + app(), "app:" + app()}, true})});
            if (arrivals_ % 4 == 0) {
                o.push_back({at + 60'000, Signal::quevUndo, json::encodeRecord(UndoPayload{run})});
            }
        }
    }

    void classAt(History& history, std::int64_t start, int d) {
        CalendarEvent event;
        event.key = start % day < 12 * hour ? "linear-algebra" : "physics";
        event.occurrence = start;
        event.recurring = true;
        event.title = event.key;
        event.start = start;
        event.end = start + 90 * minute;
        event.calendar = "School";
        history.calendar.push_back(event);
        if (d % 2 == 0) { // the student was at the computer: the class start is a trigger
            const std::int64_t at = start + 30'000;
            history.triggers.push_back({at, Trigger::Kind::eventStart});
            history.observations.push_back({at, Signal::eventStart, "{}"});
        }
    }

    void activity(History& history, std::int64_t at) {
        const int roll = static_cast<int>(between(0, 99));
        const auto appEvent = [&](const Signal& signal) {
            history.observations.push_back(
                {at, signal, json::encodeRecord(AppPayload(app(), "App", "/Applications/App.app", false))});
        };
        const auto windowEvent = [&](const Signal& signal) {
            history.observations.push_back({at, signal, json::encodeRecord(window())});
        };
        if (roll < 20) {
            appEvent(Signal::appActivate);
        } else if (roll < 40) {
            windowEvent(Signal::windowFocus);
        } else if (roll < 55) {
            const std::string site = "site" + std::to_string(between(1, 40)) + ".example";
            history.observations.push_back(
                {at, Signal::browserTab,
                 json::encodeRecord(TabPayload{site, "https://" + site + "/course", std::nullopt})});
        } else if (roll < 65) {
            windowEvent(Signal::windowFrame);
        } else if (roll < 72) {
            windowEvent(Signal::windowChange);
        } else if (roll < 75) {
            appEvent(Signal::appLaunch);
        } else if (roll < 78) {
            appEvent(Signal::appQuit);
        } else if (roll < 80) {
            appEvent(Signal::appHide);
        } else if (roll < 81) {
            appEvent(Signal::appUnhide);
        } else if (roll < 89) {
            // Windows open and close in pairs, so that the open ones stay a handful.
            if ((roll < 85 && open_.size() < 12) || open_.empty()) {
                open_.push_back(window());
                history.observations.push_back({at, Signal::windowOpen, json::encodeRecord(open_.back())});
            } else {
                const auto closed = open_.begin() + between(0, static_cast<std::int64_t>(open_.size()) - 1);
                history.observations.push_back({at, Signal::windowClose, json::encodeRecord(*closed)});
                open_.erase(closed);
            }
        } else if (roll < 91) {
            windowEvent(Signal::windowMinimize);
        } else if (roll < 92) {
            windowEvent(Signal::windowUnminimize);
        } else if (roll < 96) {
            history.observations.push_back(
                {at, roll % 2 ? Signal::userIdle : Signal::userActive, R"({"seconds":300})"});
        } else if (roll < 98) {
            history.observations.push_back({at, Signal::power, R"({"battery":0.8,"charging":false})"});
        } else {
            history.observations.push_back(
                {at, Signal::audio,
                 json::encodeRecord(AudioPayload("BuiltInSpeakerDevice", "Speakers", "builtin", std::nullopt,
                                                 static_cast<double>(between(0, 4)) / 4, false))});
        }
    }

    bool snapshots_;
    std::vector<WindowPayload> open_;
    std::mt19937_64 random_{20240901};
    int arrivals_ = 0;
    const std::vector<std::string> apps_ = {"com.apple.Safari",   "com.apple.Notes", "com.apple.Preview",
                                            "com.microsoft.Word", "com.apple.Mail",  "com.apple.iCal",
                                            "com.spotify.client", "us.zoom.xos",     "com.apple.Finder",
                                            "com.apple.Terminal", "md.obsidian",     "com.apple.Music"};
};

const History& history(int days, bool snapshots) {
    static std::map<std::pair<int, bool>, History> made;
    auto found = made.find({days, snapshots});
    if (found == made.end()) {
        found = made.emplace(std::pair(days, snapshots), StudentDays(snapshots).make(days)).first;
    }
    return found->second;
}

// The whole history rebuilt, as every planning pass does: 90 days at 4,000 observations a day,
// then twice that. Twice the history should take about twice the time.
void BM_EpisodesOverHistory(benchmark::State& state) {
    const History& h = history(static_cast<int>(state.range(0)), true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EpisodeBuilder::episodes(h.triggers, h.observations, h.calendar));
    }
    state.counters["observations"] = static_cast<double>(h.observations.size());
    state.counters["triggers"] = static_cast<double>(h.triggers.size());
}
BENCHMARK(BM_EpisodesOverHistory)->Arg(90)->Arg(180)->Unit(benchmark::kMillisecond);

// Without running-apps and windows snapshots every trigger's open items rest on all the launches,
// quits, opens and closes before it; the replay carried from trigger to trigger keeps this linear.
void BM_EpisodesWithoutSnapshots(benchmark::State& state) {
    const History& h = history(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EpisodeBuilder::episodes(h.triggers, h.observations, h.calendar));
    }
    state.counters["observations"] = static_cast<double>(h.observations.size());
    state.counters["triggers"] = static_cast<double>(h.triggers.size());
}
BENCHMARK(BM_EpisodesWithoutSnapshots)->Arg(90)->Arg(180)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The share of a rebuild that sorting and indexing the observations takes, before any payload is
// decoded.
void BM_IndexHistory(benchmark::State& state) {
    const History& h = history(static_cast<int>(state.range(0)), true);
    for (auto _ : state) {
        const EpisodeBuilder::Timeline timeline(h.observations);
        benchmark::DoNotOptimize(&timeline);
    }
}
BENCHMARK(BM_IndexHistory)->Arg(90)->Arg(180)->Unit(benchmark::kMillisecond);

} // namespace
