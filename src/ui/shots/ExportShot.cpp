#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/shell/ScoreExportView.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"

#include <QApplication>

#include <memory>

namespace ostrel::ui::shots {

// The score export window: opened by the reminder or from the settings, with or without a
// recipient, "Scoring…" or a text.
QImage exportWindow(const json::Value& value) {
    bool reminder = false;
    bool recipient = true;
    std::optional<std::string> text;
    try {
        const json::ObjectReader reader(value);
        reminder = reader.value<bool>("reminder", false);
        recipient = reader.value<bool>("recipient", true);
        text = reader.optional<std::string>("text");
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    VirtualTime time(1'757'916'000.0);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    auto* view = new ScoreExportView(time.clock(), machine.platform().appearance, reminder, false, recipient);
    const std::unique_ptr<CloudPanel> window(CloudWindow::make(ScoreExportView::size, CloudWindow::lightsAt, view));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    if (text) {
        view->setText(QString::fromStdString(*text));
    }
    QApplication::processEvents();
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
