#include "ui/shell/MenuContent.hpp"
#include "ui/shell/MenuPanel.hpp"
#include "ui/shell/MenuRow.hpp"
#include "ui/shots/MenuState.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/shots/Still.hpp"
#include "ui/Application.hpp"
#include "ui/cloud/Drift.hpp"

#include <QLayout>

namespace ostrel::ui::shots {

QImage menu(const json::Value& state) {
    MenuState read;
    try {
        read = MenuState::read(state);
    } catch (const json::DecodingError& error) {
        throw ShotError(std::string("menu: ") + error.what());
    }
    const MenuContent content = MenuContent::of(read.status);
    if (read.hover && (*read.hover < 0 || *read.hover >= content.rowCount())) {
        throw ShotError("menu: \"hover\" is a row from 0 to " + std::to_string(content.rowCount() - 1));
    }

    const StillClock clock(Drift::referenceDate);
    StillAppearance appearance(true);
    MenuPanel panel(content, clock, appearance);
    panel.setAttribute(Qt::WA_TranslucentBackground);
    panel.setPalette(lightPalette());
    panel.setStyle(lightStyle());
    if (read.hover) panel.rows()[static_cast<std::size_t>(*read.hover)]->setHighlighted(true);
    panel.ensurePolished();

    QImage image(panel.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
