#include "ui/theme/PlainLabel.hpp"

#include <QLabel>
#include <QPalette>

namespace ostrel::ui {

QLabel* plainLabel(const QFont& font, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace ostrel::ui
