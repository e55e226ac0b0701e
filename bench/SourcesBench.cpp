// 10,000 notices pushed through the audio, display and browser sources on the simulated machine in
// virtual time, beside the observation writer alone writing the rows they stored. The gap is what
// the sources, the simulated roles and virtual time cost on top of the writes. Files live under
// TMPDIR.
//
// The notices, a third of each kind, each kind on its own schedule and all played in time order:
// - volume steps on the default output and screen changes (an external screen plugged in,
//   rearranged and unplugged) come in bursts of 1, 2, 3 and 4 notices in turn, 0.2 s apart, each
//   followed by 1.5 s of quiet, so each burst outlasts the sources' 1 s debounce and gives one row:
//   4 rows per 10 notices;
// - a tab read every 0.7 s, the front Chrome having been shown another page first; the site
//   changes every second read, so every second read gives a row.

#include "ScratchStore.hpp"
#include "Timing.hpp"
#include "app/signals/AudioSignal.hpp"
#include "app/signals/BrowserSignal.hpp"
#include "app/signals/DisplaySignal.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;
using namespace ostrel;

constexpr double start = 1'757'916'000; // a Monday morning
constexpr int notices = 10'000;
const std::string chrome = "com.google.Chrome";

MachineState::Display screen(std::string id, std::string name, Rect frame, bool builtIn, std::uint32_t number) {
    MachineState::Display display;
    display.id = std::move(id);
    display.name = std::move(name);
    display.frame = frame;
    display.builtIn = builtIn;
    display.number = number;
    display.uuid = "UUID-" + std::to_string(number);
    return display;
}

const MachineState::Display external = screen("HDMI-1", "Studio", {1440, 0, 2560, 1440}, false, 7);

MachineState machineOfTheBench() {
    MachineState state = MachineState::withOwnApp();
    state.audioDevices = {{.id = "speakers", .name = "Speakers", .transport = AudioTransport::builtIn,
                           .dataSource = "ispk", .volume = 0.4, .muted = false}};
    state.defaultOutput = "speakers";
    state.displays = {screen("eDP-1", "Built-in", {0, 0, 1440, 900}, true, 1)};
    MachineState::Window window;
    window.title = "New Tab";
    window.frame = Rect{0, 0, 1200, 800};
    state.installed.push_back({chrome, "Google Chrome", "/opt/google/chrome", true, {window}});
    state.automation[chrome] = {MachineState::Permission::granted, MachineState::Permission::granted, std::nullopt};
    return state;
}

enum class Kind { volume, screen, tab };

struct Notice {
    double at; // seconds after the start
    Kind kind;
    int index; // among the notices of its kind
};

// count notices in bursts of 1, 2, 3 and 4 in turn, 0.2 s apart, each burst followed by 1.5 s of
// quiet.
void bursts(std::vector<Notice>& into, Kind kind, int count) {
    double at = 1;
    int index = 0;
    for (int burst = 0; index < count; ++burst) {
        for (int step = 0; step <= burst % 4 && index < count; ++step) {
            into.push_back({at, kind, index++});
            at += 0.2;
        }
        at += 1.5 - 0.2;
    }
}

std::vector<Notice> schedule() {
    std::vector<Notice> all;
    const int third = notices / 3;
    bursts(all, Kind::volume, notices - 2 * third);
    bursts(all, Kind::screen, third);
    for (int index = 0; index < third; ++index) {
        all.push_back({1 + 0.7 * index, Kind::tab, index});
    }
    std::stable_sort(all.begin(), all.end(), [](const Notice& a, const Notice& b) { return a.at < b.at; });
    return all;
}

// The volume steps by 0.01 per notice, so the last step of a burst never repeats the one before.
double volume(int index) { return 0.1 + 0.01 * (index % 80); }

// Plugs the external screen in, moves it ten times, unplugs it, and again; every position is a new
// one, so the last change of a burst differs from that of the burst before.
void changeScreens(SimulatedMachine& machine, int index) {
    switch (index % 12) {
    case 0:
        machine.connectDisplay(external);
        break;
    case 11:
        machine.disconnectDisplay(external.id);
        break;
    default:
        machine.arrangeDisplay(external.id, 1440, 5 + 10 * (index % 50));
        break;
    }
}

void showPage(SimulatedMachine& machine, int index) {
    const std::string site = "https://site" + std::to_string(index / 2 % 7) + ".example";
    machine.showTab(chrome, {site + "/page" + std::to_string(index), "Page " + std::to_string(index), false});
}

std::vector<SignalObservation> rowsOfTheSources;

void BM_Sources(benchmark::State& state) {
    const std::vector<Notice> played = schedule();
    std::int64_t dropped = 0;
    bench::timed(state, "sources", [&] {
        bench::ScratchFolder folder("ostrel-sources-bench");
        Store store(folder.path());
        VirtualTime time(start);
        VirtualRuntime runtime(time);
        SimulatedMachine machine(machineOfTheBench(), &time);
        {
            ObservationWriter writer(store);
            time.addFlusher([&writer] { writer.flush(); });
            AudioSignal audio(machine.audio(), writer, runtime.clock(), runtime.queue("Ostrel.audio"));
            DisplaySignal displays(machine.displays(), writer, runtime.clock(), runtime.main());
            BrowserSignal browser(machine.scripting(), machine.workspace(), machine.accessibility(), store, writer,
                                  SiteExclusionList::defaultList(), runtime.clock(), runtime.main(),
                                  runtime.worker());
            machine.launch(chrome);
            audio.start();
            displays.start();
            browser.start();
            time.settle();
            double now = 0;
            for (const Notice& notice : played) {
                time.advance(notice.at - now);
                now = notice.at;
                switch (notice.kind) {
                case Kind::volume:
                    machine.setVolume(volume(notice.index));
                    break;
                case Kind::screen:
                    changeScreens(machine, notice.index);
                    break;
                case Kind::tab:
                    showPage(machine, notice.index);
                    browser.readFrontTab();
                    break;
                }
            }
            time.advance(5);
            writer.flush();
            time.settle();
            dropped = writer.dropped();
        }
        rowsOfTheSources = store.observations(std::numeric_limits<std::int64_t>::min(),
                                              std::numeric_limits<std::int64_t>::max());
    });
    if (dropped != 0) {
        state.SkipWithError("the writer dropped observations: its queue was full");
        return;
    }
    std::map<std::string, int> bySignal;
    for (const SignalObservation& row : rowsOfTheSources) {
        ++bySignal[row.signal.rawValue];
    }
    state.counters["notices"] = notices;
    state.counters["rows"] = static_cast<double>(rowsOfTheSources.size());
    for (const auto& [signal, count] : bySignal) {
        state.counters["rows:" + signal] = count;
    }
}
BENCHMARK(BM_Sources)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriterAlone(benchmark::State& state) {
    if (rowsOfTheSources.empty()) {
        state.SkipWithError("runs after BM_Sources, whose rows it writes");
        return;
    }
    bench::timed(state, "writer", [&] {
        bench::writeAlone(rowsOfTheSources, "ostrel-sources-bench");
    });
    state.counters["rows"] = static_cast<double>(rowsOfTheSources.size());
    // The sources' median over this repetition, so that the median of these counters over the
    // repetitions is the figure printed at the end.
    const double sources = bench::median(bench::repetitions(bench::means().at("sources")));
    const double writer = bench::means().at("writer").back().mean;
    state.counters["sources_s"] = sources;
    state.counters["writer_s"] = writer;
    state.counters["ratio"] = writer > 0 ? sources / writer : 0;
}
BENCHMARK(BM_WriterAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv, [] {
        bench::printRatio("10,000 notices through the sources over the writer alone writing their rows (aim: 2 or less)",
                          "sources", "writer");
    });
}
