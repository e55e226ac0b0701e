#include "ui/cloud/CloudWindow.hpp"
#include "ui/cloud/TrafficLights.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/theme/Sky.hpp"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <map>
#include <memory>

namespace ostrel::ui::shots {
namespace {

// Stands in for the cloud scene the windows will draw: the sky's gradient in a rounded card,
// inset from the window's edge where the cloud frame's shadow would fall.
class SkyCard : public QWidget {
public:
    static constexpr int inset = 42;
    static constexpr qreal radius = 24;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF card = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        QLinearGradient sky(card.topLeft(), card.bottomLeft());
        sky.setColorAt(0, Sky::skyTop());
        sky.setColorAt(1, Sky::skyBottom());
        QPainterPath path;
        path.addRoundedRect(card, radius, radius);
        painter.fillPath(path, sky);
    }
};

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

    const std::unique_ptr<CloudPanel> window(CloudWindow::make(found->second, CloudWindow::lightsAt, new SkyCard));
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
