// One trigger through the autopilot at the last class start of a generated semester (90 days at
// 4,000 observations a day), on the simulated machine in virtual time: main_ms is the time the
// main executor spends on it (handing the trigger over, acting on the verdict: the run, the banner,
// the records handed to the writer), pass_ms the planning pass on the worker beside it; waiting
// for the writer's own thread counts in neither. Aim: main_ms under 5.
// Two triggers: the last class start, and the last trigger at which a routine is chosen, which the
// user switched to automatic and took the meeting link out of, so that it runs. Each iteration starts from a new controller and banner, so
// every trigger is acted on afresh (no cool-down, no question already up); making them is not timed.

#include "SemesterFile.hpp"
#include "Timing.hpp"
#include "app/autopilot/AutopilotController.hpp"
#include "core/browsing/WebPage.hpp"
#include "core/routines/PlanningPass.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>

#include <benchmark/benchmark.h>

namespace ostrel {
namespace {

constexpr int days = 90;
constexpr int perDay = 4'000;
// How long after its trigger it is handed over.
constexpr std::int64_t delay = 5'000;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// An executor that counts the time its tasks take.
class TimedExecutor final : public Executor {
public:
    explicit TimedExecutor(Executor& inner) : inner_(inner) {}

    const std::string& label() const override { return inner_.label(); }
    const Clock& clock() const override { return inner_.clock(); }
    void post(Task task) override { inner_.post(timed(std::move(task))); }
    TaskHandle postAfter(double delay, Task task, TimeBase base) override {
        return inner_.postAfter(delay, timed(std::move(task)), base);
    }
    TaskHandle postAt(Date deadline, Task task) override { return inner_.postAt(deadline, timed(std::move(task))); }
    bool isCurrent() const override { return inner_.isCurrent(); }

    double spent = 0; // seconds

private:
    Task timed(Task task) {
        return [this, task = std::move(task)] {
            const auto start = std::chrono::steady_clock::now();
            task();
            spent += seconds(start);
        };
    }

    Executor& inner_;
};

// The virtual runtime with its worker timed.
class TimedRuntime final : public Runtime {
public:
    explicit TimedRuntime(VirtualRuntime& inner) : inner_(inner), worker_(inner.worker()) {}

    const Clock& clock() const override { return inner_.clock(); }
    Executor& main() override { return inner_.main(); }
    Executor& worker() override { return worker_; }
    Executor& queue(const std::string& label) override { return inner_.queue(label); }

    TimedExecutor& timedWorker() { return worker_; }

private:
    VirtualRuntime& inner_;
    TimedExecutor worker_;
};

class NoSurface final : public BannerSurface {
public:
    void present(const BannerContent&) override {}
    void hide() override {}
};

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

// The generated semester, its last class start and the last class start a routine is chosen at.
class Semester {
public:
    Semester() : file_("autopilot", options()) {
        Store store(file_.database());
        const std::vector<Trigger> triggers = store.triggers(file_.summary().from, file_.summary().to);
        int tries = 0;
        const auto lastClass = std::find_if(triggers.rbegin(), triggers.rend(), [](const Trigger& trigger) {
            return trigger.kind == Trigger::Kind::eventStart;
        });
        if (lastClass != triggers.rend()) {
            trigger_ = *lastClass;
        }
        for (auto trigger = triggers.rbegin(); trigger != triggers.rend() && tries < 60; ++trigger) {
            ++tries;
            const auto result = PlanningPass::run(store, *trigger, trigger->ts + delay, berlin(), {});
            if (!result || !result->choice) {
                continue;
            }
            // Switched to automatic, without its meeting link (a meeting's routine always asks).
            RoutineEdits edits = result->choice->routine.edits;
            edits.mode = RoutineEdits::Mode::automatic;
            for (const Item& item : result->choice->routine.items) {
                const auto* page = std::get_if<Item::Page>(&item.value());
                if (page != nullptr && WebPage::isMeeting(page->url)) {
                    edits.removed.push_back(item);
                }
            }
            store.save(edits, result->choice->routine.key.id(), 0);
            const auto switched = PlanningPass::run(store, *trigger, trigger->ts + delay, berlin(), {});
            if (switched && caseName(switched->action) == "run") {
                chosen_ = *trigger;
                break;
            }
        }
        if (!trigger_ || !chosen_) {
            throw std::runtime_error("the generated semester's last triggers choose no routine that can run");
        }
    }

    static Semester& shared() {
        static Semester semester;
        return semester;
    }

    std::filesystem::path database() const { return file_.database(); }
    const Trigger& trigger(bool chosen) const { return chosen ? *chosen_ : *trigger_; }

private:
    static semester::SemesterOptions options() {
        semester::SemesterOptions options;
        options.days = days;
        options.perDay = perDay;
        return options;
    }

    bench::SemesterFile file_;
    std::optional<Trigger> trigger_;
    std::optional<Trigger> chosen_;
};

void BM_Trigger(benchmark::State& state) {
    Semester& semester = Semester::shared();
    const Trigger trigger = semester.trigger(state.range(0) == 1);
    VirtualTime time(static_cast<Date>(trigger.ts + delay) / 1000);
    VirtualRuntime virtualRuntime(time);
    TimedRuntime runtime(virtualRuntime);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    const Platform platform = machine.platform();
    Store store(semester.database());
    ObservationWriter writer(store);
    // The writer's own thread is neither main nor worker: waiting for it is left out of both.
    double flushing = 0;
    time.addFlusher([&writer, &flushing] {
        const auto start = std::chrono::steady_clock::now();
        writer.flush();
        flushing += seconds(start);
    });
    Settings settings(Settings::inMemory);
    NoSurface surface;
    RunLedger ledger;
    Shortcuts shortcuts(machine.commands());
    SecureRandom random(7);
    const Calendar& calendar = berlin();

    std::unique_ptr<Banner> banner;
    std::unique_ptr<AutopilotController> controller;
    std::string action;
    const auto fresh = [&] {
        controller.reset();
        banner = std::make_unique<Banner>(surface, runtime.main());
        controller = std::make_unique<AutopilotController>(AutopilotController::Services{
            store, writer, runtime, settings, platform, *banner, ledger, shortcuts, random, calendar, "en_US"});
        controller->setTrace([&action](const json::Value& effect) {
            if (effect["effect"] == "planned") {
                action = effect["action"].get<std::string>() + " " + effect["routine"].get<std::string>();
            }
        });
    };

    double main = 0;
    double pass = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fresh();
        const double passBefore = runtime.timedWorker().spent;
        const double flushBefore = flushing;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        controller->consider({trigger});
        time.settle();
        const double total = seconds(start);
        const double worker = runtime.timedWorker().spent - passBefore;
        main += total - worker - (flushing - flushBefore);
        pass += worker;
        ++count;
    }
    if (count > 0) {
        state.counters["main_ms"] = main / static_cast<double>(count) * 1000;
        state.counters["pass_ms"] = pass / static_cast<double>(count) * 1000;
    }
    state.SetLabel("action " + action);
    controller.reset();
    banner.reset();
}
BENCHMARK(BM_Trigger)->ArgName("chosen")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace
} // namespace ostrel
