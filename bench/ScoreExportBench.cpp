// The score export of a generated semester (90 days at 4,000 observations a day) built through
// its window, as the student opens it: the budgets measured, the build on the worker (every
// episode read, replayed and learned, the export encoded), the text handed to main and shown in
// the window. Beside it, the core's export alone in the same run (the reads, replay, learner and
// encoding, called directly). At the end: their ratio (aim 1.1 or less) and the longest task the
// main executor ran meanwhile (aim under 16 ms).

#include "QtBench.hpp"
#include "SemesterFile.hpp"
#include "TimedRuntime.hpp"
#include "Timing.hpp"
#include "app/shell/ScoreExportBuild.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/shell/ScoreExportView.hpp"
#include "ui/shell/ScoreExportWindow.hpp"

#include <QApplication>

#include <cstdio>
#include <stdexcept>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

const bench::ClassStartSemester& semester() {
    static const bench::ClassStartSemester instance("scoreexport");
    return instance;
}

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

Date now() {
    return static_cast<Date>(semester().trigger().ts + 3'600'000) / 1000.0;
}

void BM_ExportThroughWindow(benchmark::State& state) {
    Store store(semester().database(), Store::Access::reader);
    VirtualTime time(now());
    bench::TimedRuntime runtime(time);
    SimulatedMachine machine;
    Settings settings(Settings::inMemory);
    std::size_t length = 0;
    bench::timed(state, "window", [&] {
        ui::ScoreExportWindow::open({&store, runtime, berlin(), settings, machine.workspace(), machine.appearance(),
                                     "dev", {{"calendar", true}}, "scores@example.org"},
                                    false);
        time.settle();
        QApplication::processEvents();
        const auto text = ui::ScoreExportWindow::view()->text();
        if (!text) {
            throw std::logic_error("the window shows no export");
        }
        length = static_cast<std::size_t>(text->size());
    });
    ui::ScoreExportWindow::discard();
    bench::means()["longest"].push_back({state.iterations(), runtime.timedMain().longest});
    state.counters["longest_main_ms"] = runtime.timedMain().longest * 1000;
    state.counters["characters"] = static_cast<double>(length);
}
BENCHMARK(BM_ExportThroughWindow)->Unit(benchmark::kMillisecond)->MinTime(5.0);

void BM_ExportAlone(benchmark::State& state) {
    Store store(semester().database(), Store::Access::reader);
    bench::timed(state, "core", [&] {
        benchmark::DoNotOptimize(
            ScoreExportBuild::text(store, now(), berlin(), "dev", {{"calendar", true}}, ScoreExport::Budgets{}));
    });
}
BENCHMARK(BM_ExportAlone)->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runQtBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("the export through its window over the core's export alone (aim 1.1 or less)",
                                  "window", "core");
        const auto& table = ostrel::bench::means();
        if (table.count("longest") != 0) {
            std::printf("the longest task on the main executor meanwhile: %.2f ms (aim under 16)\n",
                        ostrel::bench::median(ostrel::bench::repetitions(table.at("longest"))) * 1e3);
        }
    });
}
