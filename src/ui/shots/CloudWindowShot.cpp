#include "ui/cloud/CloudScene.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/cloud/Drift.hpp"
#include "ui/cloud/TrafficLights.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/shots/Still.hpp"

#include <QCoreApplication>
#include <QEnterEvent>

#include <map>
#include <memory>

namespace ostrel::ui::shots {
namespace {

// Onboarding is the one window whose sky has drifting clouds, in this band.
constexpr CloudScene::Band onboardingBand{120, 340};

const std::map<std::string, QSize>& kinds() {
    static const std::map<std::string, QSize> table{
        {"home", CloudWindow::homeSize},         {"onboarding", CloudWindow::onboardingSize},
        {"settings", CloudWindow::settingsSize}, {"export", CloudWindow::exportSize},
        {"editor", CloudWindow::editorSize},
    };
    return table;
}

} // namespace

// State: "kind" (a window kind, default "home") and "hover" (the pointer over the lights).
QImage cloudWindow(const json::Value& state) {
    std::string kind;
    bool hover = false;
    try {
        const json::ObjectReader reader(state);
        kind = reader.value<std::string>("kind", "home");
        hover = reader.value<bool>("hover", false);
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    const auto found = kinds().find(kind);
    if (found == kinds().end()) {
        throw ShotError("no cloud window kind \"" + kind + "\" (known: editor, export, home, onboarding, settings)");
    }

    // The clouds stand at their resting places: a picture is not live.
    StillClock clock(Drift::referenceDate);
    StillAppearance appearance(false);
    auto* sky = new CloudScene(clock, appearance);
    sky->setArt(QString::fromStdString(kind));
    if (kind == "onboarding") sky->setBand(onboardingBand);
    const std::unique_ptr<CloudPanel> window(CloudWindow::make(found->second, CloudWindow::lightsAt, sky));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    if (hover) {
        // What the window system sends when the pointer comes over the cluster.
        auto* lights = window->findChild<TrafficLights*>();
        const QPointF inside(TrafficLights::padding, TrafficLights::padding);
        QEnterEvent enter(inside, lights->mapTo(window.get(), inside), lights->mapToGlobal(inside));
        QCoreApplication::sendEvent(lights, &enter);
    }

    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
