// The routine editor with a full routine (20 things to open, 10 moments): one change of the draft
// redrawn, the way a click in a section is (the section rebuilds its chips or pills, the window is
// painted again), for a moment changed and for a window place changed; beside opening the window
// and painting it the first time. A change should stay well inside a 60 Hz frame (16 ms).

#include "QtBench.hpp"
#include "app/editor/OpensEdits.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/editor/RoutineEditor.hpp"
#include "ui/shots/EditorStage.hpp"

#include <QApplication>
#include <QImage>

#include <cstdlib>
#include <memory>

namespace {

using namespace ostrel;

Routine fullRoutine() {
    Routine routine{ContextKey::event("ma201")};
    for (int n = 0; n < 20; ++n) {
        const std::string number = std::to_string(n);
        switch (n % 3) {
        case 0:
            routine.items.push_back(*Item::app("org.example.App" + number));
            break;
        case 1:
            routine.items.push_back(*Item::document("/home/student/Notes/Week " + number + ".pdf"));
            break;
        default:
            routine.items.push_back(*Item::page("https://learn.example.edu/course/" + number));
            break;
        }
    }
    for (int n = 0; n < 10; ++n) {
        routine.edits.cues.push_back(Cue{Cue::Time{{2, 4}, 480 + 15 * n}});
    }
    routine.edits.putAway = {"org.example.Chat", "org.example.Music"};
    return routine;
}

struct OpenEditor {
    explicit OpenEditor(ui::shots::EditorStage& stage) {
        auto draft = std::make_unique<RoutineDraft>(fullRoutine(), std::vector<CalendarSeries>{{"ma201", "MA201", 0}},
                                                    false, stage.calendar(), stage.settings(),
                                                    [](const std::string&) { return std::optional<std::string>(); });
        editor = new ui::RoutineEditor(std::move(draft), stage.context(), {}, false, false);
        window.reset(ui::CloudWindow::make(ui::CloudWindow::editorSize, ui::CloudWindow::lightsAt, editor));
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
    }

    void paint(QImage& image) {
        // As the event loop does: layouts settle and the chips a rebuild replaced are deleted.
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        image.fill(Qt::transparent);
        window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }

    ui::RoutineEditor* editor;
    std::unique_ptr<ui::CloudPanel> window;
};

void countChange(benchmark::State& state, const char* name) {
    const auto runs = bench::repetitions(bench::means()[name]);
    if (!runs.empty()) {
        state.counters["ms_per_change"] = runs.back() * 1000;
    }
}

void BM_EditorMomentChanged(benchmark::State& state) {
    ui::shots::EditorStage stage(MachineState::withOwnApp(), Calendar("Europe/Berlin", "en_US"));
    OpenEditor open(stage);
    QImage image(680, 820, QImage::Format_ARGB32_Premultiplied);
    open.paint(image);
    std::int64_t minute = 0;
    bench::timed(state, "moment", [&] {
        // The time picker writes the first moment: the When section rebuilds its eleven chips.
        open.editor->draft().replaceCue(0, Cue{Cue::Time{{2, 4}, 420 + (++minute % 60)}});
        open.paint(image);
    });
    countChange(state, "moment");
}
BENCHMARK(BM_EditorMomentChanged)->Unit(benchmark::kMillisecond);

void BM_EditorPlacementChanged(benchmark::State& state) {
    ui::shots::EditorStage stage(MachineState::withOwnApp(), Calendar("Europe/Berlin", "en_US"));
    OpenEditor open(stage);
    QImage image(680, 820, QImage::Format_ARGB32_Premultiplied);
    open.paint(image);
    bool left = false;
    bench::timed(state, "placement", [&] {
        // A pill's menu places the first app: the Opens section rebuilds its twenty pills.
        left = !left;
        OpensEdits::setPlacement(open.editor->draft(), "org.example.App0",
                                 left ? RoutineEdits::Placement::left() : RoutineEdits::Placement::right());
        open.paint(image);
    });
    countChange(state, "placement");
}
BENCHMARK(BM_EditorPlacementChanged)->Unit(benchmark::kMillisecond);

void BM_EditorRepainted(benchmark::State& state) {
    ui::shots::EditorStage stage(MachineState::withOwnApp(), Calendar("Europe/Berlin", "en_US"));
    OpenEditor open(stage);
    QImage image(680, 820, QImage::Format_ARGB32_Premultiplied);
    bench::timed(state, "repaint", [&] { open.paint(image); });
    countChange(state, "repaint");
}
BENCHMARK(BM_EditorRepainted)->Unit(benchmark::kMillisecond);

void BM_EditorOpened(benchmark::State& state) {
    ui::shots::EditorStage stage(MachineState::withOwnApp(), Calendar("Europe/Berlin", "en_US"));
    QImage image(680, 820, QImage::Format_ARGB32_Premultiplied);
    bench::timed(state, "open", [&] {
        OpenEditor open(stage);
        open.paint(image);
    });
    countChange(state, "open");
}
BENCHMARK(BM_EditorOpened)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runQtBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("one moment changed over a repaint alone", "moment", "repaint");
        ostrel::bench::printRatio("one window place changed over a repaint alone", "placement", "repaint");
        ostrel::bench::printRatio("opening the window over one moment changed", "open", "moment");
    });
}
