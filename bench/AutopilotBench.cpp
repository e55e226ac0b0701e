// One trigger through the autopilot on the 90-day generated semester (4,000 observations a day):
// its last class start handed to the controller 5 s after it, as the app model hands it over. The
// virtual runtime's executors are wrapped so that every task's time lands on its executor: the
// main executor's share (taking the trigger, acting on the decision: the setup on the simulated
// machine, the banner and its texts, the records) is the benchmark's time; the planning pass on the
// worker is the counter pass_ms beside it. Aim: under 5 ms on the main executor per trigger, since
// that is what the student's windows wait for.

#include "SemesterFile.hpp"
#include "app/autopilot/AutopilotController.hpp"
#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "semester/TimedRuntime.hpp"

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

constexpr std::int64_t delay = 5'000; // ms after the class start

class QuietSurface final : public BannerSurface {
public:
    void present(const BannerContent&) override {}
    void hide() override {}
};

const bench::ClassStartSemester& generatedSemester() {
    static const bench::ClassStartSemester generated("autopilot");
    return generated;
}

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

// A fresh controller each time (a run of the routine 5 s before would hold it back for 600 s);
// made outside the timing, since the app makes it once. The runs it records stay in the store, as
// they would in the app.
void BM_TriggerThroughAutopilot(benchmark::State& state) {
    const bench::ClassStartSemester& semester = generatedSemester();
    double mainTotal = 0;
    double workerTotal = 0;
    double acted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Everything is made again: the writer's watchers live as long as it does and reach the
        // runtime they were made with.
        VirtualTime time(static_cast<Date>(semester.trigger().ts + delay) / 1000.0);
        VirtualRuntime virtualRuntime(time);
        semester::TimedRuntime runtime(virtualRuntime);
        Store store(semester.database());
        ObservationWriter writer(store);
        time.addFlusher([&writer] { writer.flush(); });
        SimulatedMachine machine(MachineState::withOwnApp(), &time);
        const Platform platform = machine.platform();
        Settings settings(Settings::inMemory);
        QuietSurface surface;
        Banner banner(surface, runtime.main());
        RunLedger ledger;
        Shortcuts shortcuts(machine.commands());
        SecureRandom random(1);
        auto controller = std::make_unique<AutopilotController>(AutopilotController::Services{
            store, writer, runtime, settings, platform, banner, ledger, shortcuts, random, berlin(), "en_US"});
        controller->setTrace([&acted](const json::Value& effect) {
            if (effect.value("effect", "") == "run" || effect.value("effect", "") == "banner") {
                acted = 1;
            }
        });
        time.settle();
        runtime.mainSpent = 0;
        runtime.workerSpent = 0;
        state.ResumeTiming();

        controller->consider({semester.trigger()});
        time.settle();

        state.PauseTiming();
        state.SetIterationTime(runtime.mainSpent);
        mainTotal += runtime.mainSpent;
        workerTotal += runtime.workerSpent;
        controller.reset();
        time.settle();
        writer.flush();
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
    state.counters["main_ms"] = mainTotal / iterations * 1e3;
    state.counters["pass_ms"] = workerTotal / iterations * 1e3;
    state.counters["acted"] = acted;
}
// A fixed count: the timed share is a fraction of a millisecond beside a pass of a few hundred, so a
// minimum time would ask for thousands of passes.
BENCHMARK(BM_TriggerThroughAutopilot)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
