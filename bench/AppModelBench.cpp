// The app model's refresh on the 90-day generated semester (4,000 observations a day), as the menu
// runs it each time its panel opens: today's count, the calendar series and the next event, on the
// main thread. Measured alone, and while planning passes run on another thread over the same store
// and hold its lock, as the autopilot's worker would at a class start. Aim: under 16 ms alone, one
// frame of the panel opening.

#include "SemesterFile.hpp"
#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <atomic>
#include <memory>
#include <thread>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

class QuietSurface final : public BannerSurface {
public:
    void present(const BannerContent&) override {}
    void hide() override {}
};

const bench::ClassStartSemester& generatedSemester() {
    static const bench::ClassStartSemester generated("appmodel");
    return generated;
}

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

// The application's model at the semester's last class start, with the calendar readable.
struct Application {
    Application()
        : time(static_cast<Date>(generatedSemester().trigger().ts) / 1000.0 + 60), machine(MachineState::withOwnApp(), &time) {
        machine.setPermission("calendar", MachineState::Permission::granted);
        machine.addLoginItem("org.ostrel.Ostrel");
        model = std::make_unique<AppModel>(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(), settings,
                                                              random, surface, windows, berlin(), "en_US",
                                                              generatedSemester().database(), "bench"});
        time.addFlusher([this] {
            if (model->writer() != nullptr) {
                model->writer()->flush();
            }
        });
        time.settle();
    }
    ~Application() {
        model.reset();
    }

    VirtualTime time;
    VirtualRuntime runtime{time};
    SimulatedMachine machine;
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    SecureRandom random{1};
    QuietSurface surface;
    RecordedWindows windows;
    std::unique_ptr<AppModel> model;
};

void BM_Refresh(benchmark::State& state) {
    Application app;
    for (auto _ : state) {
        app.model->refresh();
    }
    state.counters["today"] = static_cast<double>(app.model->observationsToday());
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond);

void BM_RefreshWhilePlanning(benchmark::State& state) {
    Application app;
    std::atomic<bool> stop = false;
    std::atomic<int> passes = 0;
    const bench::ClassStartSemester& semester = generatedSemester();
    std::thread planner([&] {
        while (!stop) {
            PlanningPass::run(*app.model->store(), semester.trigger(), semester.trigger().ts + 5'000, berlin(), {});
            ++passes;
        }
    });
    for (auto _ : state) {
        app.model->refresh();
    }
    stop = true;
    planner.join();
    state.counters["passes"] = passes.load();
}
BENCHMARK(BM_RefreshWhilePlanning)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
