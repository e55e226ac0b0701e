// A scripted eight-hour school day of about 4,000 machine steps (switching apps, dragging and
// retitling windows, opening and closing them, locking and sleeping now and then) played through
// the observer on the simulated machine in virtual time, beside the observation writer alone
// writing the rows that day stored. The gap is what the sources, the simulated platform and
// virtual time cost on top of the writes. Files live under TMPDIR.

#include "ScratchStore.hpp"
#include "Timing.hpp"
#include "app/signals/Observer.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;
using namespace ostrel;

constexpr double start = 1'757'916'000; // a Monday morning
constexpr double dayLength = 8 * 3600;
constexpr int steps = 4000;

MachineState machineOfTheDay() {
    MachineState state = MachineState::withOwnApp();
    const char* apps[] = {"org.example.Writer", "com.google.Chrome",    "com.apple.Notes",
                          "org.example.Slides", "org.example.Terminal", "org.example.Music"};
    int n = 0;
    for (const char* id : apps) {
        MachineState::InstalledApp app;
        app.appID = id;
        app.name = id;
        MachineState::Window window;
        window.title = std::string("Untitled ") + std::to_string(n);
        window.document = "file:///home/student/course/file" + std::to_string(n++) + ".txt";
        window.frame = Rect{10.0 * n, 20, 900, 700};
        app.windows.push_back(window);
        state.installed.push_back(app);
    }
    return state;
}

// Plays the day: a step every 7.2 s on average, the same every run.
void playDay(VirtualTime& time, SimulatedMachine& machine) {
    std::mt19937 random(7);
    std::vector<int> pids;
    for (const auto& app : machine.state().installed) {
        pids.push_back(machine.launch(app.appID));
    }
    const double gap = dayLength / steps;
    for (int step = 0; step < steps; ++step) {
        time.advance(gap * (0.5 + std::uniform_real_distribution<double>(0, 1)(random)));
        const int pid = pids[random() % pids.size()];
        const auto focused = machine.accessibility().focusedWindow(pid);
        switch (random() % 10) {
        case 0:
        case 1:
        case 2:
            machine.activate(pid);
            break;
        case 3:
        case 4:
            if (focused) {
                for (int move = 0; move < 5; ++move) {
                    machine.moveWindow(*focused, random() % 400, random() % 300);
                }
            }
            break;
        case 5:
            if (focused) {
                machine.retitleWindow(*focused, "Draft " + std::to_string(random() % 50));
            }
            break;
        case 6:
            if (focused) {
                machine.changeDocument(*focused,
                                       "file:///home/student/course/doc" + std::to_string(random() % 40),
                                       std::nullopt);
            }
            break;
        case 7: {
            MachineState::Window window;
            window.document = "file:///home/student/course/new" + std::to_string(step);
            window.frame = Rect{0, 0, 600, 400};
            const WindowElement opened = machine.openWindow(pid, window);
            time.advance(2);
            machine.closeWindow(opened);
            break;
        }
        case 8:
            machine.lock();
            time.advance(60);
            machine.unlock();
            break;
        default:
            if (step % 500 == 0) {
                machine.sleep(600);
            } else {
                machine.activate(pids[random() % pids.size()]);
            }
            break;
        }
    }
    time.advance(5);
}

std::vector<SignalObservation> rowsOfTheDay;

void BM_ObserverDay(benchmark::State& state) {
    std::int64_t rows = 0;
    bench::timed(state, "observer", [&] {
        bench::ScratchFolder folder("ostrel-observer-bench");
        Store store(folder.path());
        VirtualTime time(start);
        VirtualRuntime runtime(time);
        SimulatedMachine machine(machineOfTheDay(), &time);
        Platform platform = machine.platform();
        {
            Settings settings(Settings::inMemory);
            SecureRandom random(7);
            Observer observer(store, runtime, platform, settings, random, "bench", ExclusionList::defaultList(), {});
            time.addFlusher([&observer] { observer.writer().flush(); });
            observer.start();
            playDay(time, machine);
            time.settle();
        }
        rowsOfTheDay = store.observations(std::numeric_limits<std::int64_t>::min(),
                                          std::numeric_limits<std::int64_t>::max());
        rows = static_cast<std::int64_t>(rowsOfTheDay.size());
    });
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["days_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ObserverDay)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriterAloneDay(benchmark::State& state) {
    if (rowsOfTheDay.empty()) {
        state.SkipWithError("runs after BM_ObserverDay, whose rows it writes");
        return;
    }
    bench::timed(state, "writer", [&] {
        bench::writeAlone(rowsOfTheDay, "ostrel-observer-bench");
    });
    state.counters["rows"] = static_cast<double>(rowsOfTheDay.size());
    state.counters["days_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WriterAloneDay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv, [] {
        bench::printRatio(
            "a day through the observer over the writer alone writing its rows (aim: 2 or less)", "observer",
            "writer");
    });
}
