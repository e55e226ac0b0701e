// The routines page's load over a generated semester (90 days at 4,000 observations a day), at
// its last class start: the store's reads, learning, the routine book, the week of events and the
// names, then the main executor's part (demotion and replacing the list). Beside it, the core's
// own work alone in the same run: the three reads, the learner and the routine book, which any
// list of routines pays; the ratio is printed at the end (aim: 1.3 or less: the page adds little).
// BM_RoutinesLoad's main_share counter is the main executor's part of a load's time, and
// BM_RowTexts times the wording of every row (seen, moments, badge) that the page does on the main
// executor when it shows the list. BM_PageShowsList is the whole of the main executor's work for a
// load as the student sees it: the list taken over, its rows built as widgets, laid out and painted.

#include "QtBench.hpp"
#include "SemesterFile.hpp"
#include "TimedRuntime.hpp"
#include "Timing.hpp"
#include "app/home/RoutineRowText.hpp"
#include "app/home/RoutinesLoader.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "app/home/TabSelection.hpp"
#include "ui/home/HomeContext.hpp"
#include "ui/home/HomeView.hpp"
#include "ui/home/RoutinesPage.hpp"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

class Semester {
public:
    std::filesystem::path database() const { return semester_.database(); }
    // Five seconds after the last class started.
    std::int64_t now() const { return semester_.trigger().ts + 5'000; }

    static const Semester& shared() {
        static const Semester semester;
        return semester;
    }

private:
    bench::ClassStartSemester semester_{"homeroutines"};
};

const Calendar& berlin() {
    static const Calendar calendar("Europe/Berlin", "en_US");
    return calendar;
}

void BM_RoutinesLoad(benchmark::State& state) {
    const Semester& semester = Semester::shared();
    Store store(semester.database(), Store::Access::reader);
    VirtualTime time(static_cast<Date>(semester.now()) / 1000);
    bench::TimedRuntime runtime(time);
    SimulatedMachine machine;
    Settings settings(Settings::inMemory);
    RoutinesLoader loader({&store, true, nullptr, settings, runtime, machine.workspace(), berlin()});
    double total = 0;
    std::int64_t loads = 0;
    bench::timed(state, "load", [&] {
        const auto start = std::chrono::steady_clock::now();
        loader.load();
        time.settle();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++loads;
    });
    if (!loader.routines() || loader.routines()->empty()) {
        state.SkipWithError("the load found no routines");
        return;
    }
    state.counters["routines"] = static_cast<double>(loader.routines()->size());
    state.counters["main_share"] = total > 0 ? runtime.timedMain().seconds / total : 0;
    state.counters["main_ms_per_load"] =
        loads > 0 ? runtime.timedMain().seconds * 1000 / static_cast<double>(loads) : 0;
}
BENCHMARK(BM_RoutinesLoad)->Unit(benchmark::kMillisecond)->MinTime(5.0);

// The core's part alone: what the planning pass and the assistant pay for the same list.
void BM_LearnAndBook(benchmark::State& state) {
    const Semester& semester = Semester::shared();
    Store store(semester.database(), Store::Access::reader);
    std::size_t count = 0;
    bench::timed(state, "core", [&] {
        const std::vector<Episode> episodes = store.episodes(0, saturatingAdd(semester.now(), 1));
        const std::vector<CalendarSeries> series = store.calendarSeries();
        const auto edits = store.routineEdits();
        const std::vector<Routine> routines =
            RoutineBook::apply(edits, RoutineLearner::routines(episodes, series, berlin()));
        count = routines.size();
        benchmark::DoNotOptimize(routines);
    });
    state.counters["routines"] = static_cast<double>(count);
}
BENCHMARK(BM_LearnAndBook)->Unit(benchmark::kMillisecond)->MinTime(5.0);

// Wording every row of the loaded list, as the page does when it shows it.
void BM_RowTexts(benchmark::State& state) {
    const Semester& semester = Semester::shared();
    Store store(semester.database(), Store::Access::reader);
    SimulatedMachine machine;
    Settings settings(Settings::inMemory);
    const auto result = RoutinesLoader::compute(store, semester.now(), berlin(), settings);
    if (!result) {
        state.SkipWithError("the store could not be read");
        return;
    }
    bench::timed(state, "texts", [&] {
        for (const LearnedRoutine& row : result->rows) {
            benchmark::DoNotOptimize(RoutineRowText::seenText(row.routine));
            benchmark::DoNotOptimize(RoutineRowText::moments(row.routine, result->series, result->schedules,
                                                             berlin(), machine.workspace(), {}));
            benchmark::DoNotOptimize(
                RoutineRowText::trustBadge(row.routine.trust, row.routine.edits.mode, row.demoted));
        }
    });
    state.counters["routines"] = static_cast<double>(result->rows.size());
}
BENCHMARK(BM_RowTexts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The routines page reloading after a save elsewhere ("quevRoutinesChanged"): the load on the
// worker, then on main the list taken over and its rows built, laid out and painted into an image.
// Only main's part is timed.
void BM_PageShowsList(benchmark::State& state) {
    const Semester& semester = Semester::shared();
    Store store(semester.database(), Store::Access::reader);
    VirtualTime time(static_cast<Date>(semester.now()) / 1000);
    bench::TimedRuntime runtime(time);
    SimulatedMachine machine;
    const Platform platform = machine.platform();
    Settings settings(Settings::inMemory);
    std::function<void()> changed;
    const ui::HomeContext context{&store, nullptr, nullptr, nullptr, settings, runtime, platform, berlin(),
                                  [](std::unique_ptr<RoutineDraft>, bool) {},
                                  [&changed](std::function<void()> listener) {
                                      changed = std::move(listener);
                                      return Subscription();
                                  },
                                  [] {}};
    // The page where the student sees it: in the Home window's scrolling page area.
    TabSelection selection;
    ui::HomeView view(context, selection, false);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    auto& page = *qobject_cast<ui::RoutinesPage*>(view.page());
    time.settle();
    QApplication::processEvents();
    if (!changed) {
        state.SkipWithError("the page does not listen for changed routines");
        return;
    }
    QImage image;
    double mainSeconds = 0;
    double builtSeconds = 0;
    std::int64_t loads = 0;
    for (auto _ : state) {
        const double before = runtime.timedMain().seconds;
        changed();
        time.settle();
        const auto start = std::chrono::steady_clock::now();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        // What the window shows of the page: its first 424 points (the rest is scrolled away).
        image = QImage(QSize(page.width(), 424), QImage::Format_ARGB32_Premultiplied);
        page.render(&image, QPoint(), QRegion(0, 0, page.width(), 424));
        const double drawn = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double built = runtime.timedMain().seconds - before;
        const double main = built + drawn;
        builtSeconds += built;
        state.SetIterationTime(main);
        mainSeconds += main;
        ++loads;
    }
    state.counters["height"] = page.height();
    state.counters["built_ms"] = loads > 0 ? builtSeconds * 1000 / static_cast<double>(loads) : 0;
    if (loads > 0) {
        bench::means()["page"].push_back({state.iterations(), mainSeconds / static_cast<double>(loads)});
    }
}
BENCHMARK(BM_PageShowsList)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runQtBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("routines load over learning and the routine book alone (aim: 1.3 or less)",
                                  "load", "core");
        const auto& table = ostrel::bench::means();
        if (table.count("page") != 0) {
            std::printf("the main executor's part of a reload, rows built and painted: %.1f ms (aim under 16)\n",
                        ostrel::bench::median(ostrel::bench::repetitions(table.at("page"))) * 1e3);
        }
    });
}
