// One frame of a window's cloud scene, painted offscreen at the home window's size (880 x 700)
// with drifting clouds: the steady frame a ticking scene paints 30 times a second, and the first
// frame after a resize, which draws the sky, grain and frame layers it keeps. Each beside the same
// without the grain overlay, so the grain's share shows.

#include "QtBench.hpp"
#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"
#include "ui/cloud/CloudArt.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/cloud/Drift.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace {

using namespace ostrel;

// A clock that moves on a thirtieth of a second each frame, so the clouds move as when ticking.
class FrameClock final : public Clock {
public:
    Date now() const override { return date; }
    double monotonic() const override { return 0; }
    double boot() const override { return 0; }
    Date date = ui::Drift::referenceDate + 1000;
};

class MotionAllowed final : public Appearance {
public:
    bool reduceMotion() const override { return false; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

// The application's art without "grain", copied to a folder of its own.
ui::CloudArt& artWithoutGrain() {
    static QTemporaryDir folder;
    static ui::CloudArt art = [] {
        for (const QString& name : QDir(":/Clouds").entryList({"*.svg"})) {
            if (name != "grain.svg")
                QFile::copy(":/Clouds/" + name, folder.filePath(name));
        }
        return ui::CloudArt(folder.path());
    }();
    return art;
}

ui::CloudArt& artOf(bool grain) {
    return grain ? ui::CloudArt::shared() : artWithoutGrain();
}

std::unique_ptr<ui::CloudScene> makeScene(FrameClock& clock, MotionAllowed& appearance, bool grain) {
    auto scene = std::make_unique<ui::CloudScene>(clock, appearance, nullptr, artOf(grain));
    scene->setArt("home");
    scene->setBand(ui::CloudScene::Band{90, 330});
    scene->resize(880, 700);
    return scene;
}

void paint(ui::CloudScene& scene, QImage& image) {
    image.fill(Qt::transparent);
    scene.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
}

// ms_per_frame: this benchmark's mean frame in its latest repetition; grain_ratio (on the one
// without grain, run after the one with): the grained frame's median over this one's so far.
void countFrames(benchmark::State& state, const char* name, const char* grained) {
    const auto runs = bench::repetitions(bench::means()[name]);
    if (runs.empty())
        return;
    state.counters["ms_per_frame"] = runs.back() * 1000;
    if (grained == nullptr)
        return;
    const auto with = bench::repetitions(bench::means()[grained]);
    if (!with.empty())
        state.counters["grain_ratio"] = bench::median(with) / bench::median(runs);
}

void steadyFrame(benchmark::State& state, bool grain, const char* name) {
    FrameClock clock;
    MotionAllowed appearance;
    const auto scene = makeScene(clock, appearance, grain);
    QImage image(880, 700, QImage::Format_ARGB32_Premultiplied);
    bench::timed(state, name, [&] {
        clock.date += 1.0 / 30;
        paint(*scene, image);
        benchmark::DoNotOptimize(image.constBits());
    });
    countFrames(state, name, grain ? nullptr : "frame");
}

void firstFrame(benchmark::State& state, bool grain, const char* name) {
    FrameClock clock;
    MotionAllowed appearance;
    QImage image(880, 700, QImage::Format_ARGB32_Premultiplied);
    bench::timed(state, name, [&] {
        const auto scene = makeScene(clock, appearance, grain);
        paint(*scene, image);
        benchmark::DoNotOptimize(image.constBits());
    });
    countFrames(state, name, grain ? nullptr : "first");
}

void BM_SceneFrame(benchmark::State& state) {
    steadyFrame(state, true, "frame");
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond);

void BM_SceneFrameWithoutGrain(benchmark::State& state) {
    steadyFrame(state, false, "frameWithoutGrain");
}
BENCHMARK(BM_SceneFrameWithoutGrain)->Unit(benchmark::kMillisecond);

void BM_SceneFirstFrame(benchmark::State& state) {
    firstFrame(state, true, "first");
}
BENCHMARK(BM_SceneFirstFrame)->Unit(benchmark::kMillisecond);

void BM_SceneFirstFrameWithoutGrain(benchmark::State& state) {
    firstFrame(state, false, "firstWithoutGrain");
}
BENCHMARK(BM_SceneFirstFrameWithoutGrain)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runQtBenchmarks(argc, argv, [] {
        ostrel::bench::printRatio("steady frame, with grain over without", "frame", "frameWithoutGrain");
        ostrel::bench::printRatio("first frame, with grain over without", "first", "firstWithoutGrain");
    });
}
