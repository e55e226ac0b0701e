#include "ui/editor/EditorStyle.hpp"

#include "ui/theme/Fonts.hpp"

#include <QComboBox>
#include <QLineEdit>

namespace ostrel::ui {

void styleChoiceBox(QComboBox* box) {
    box->setFont(Fonts::font(13, Fonts::Weight::medium));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setCursor(Qt::PointingHandCursor);
    box->setStyleSheet(
        "QComboBox { color: rgb(28, 59, 94); background: white; border: 1px solid rgba(46, 107, 217, 70);"
        " border-radius: 8px; padding: 3px 10px; }"
        "QComboBox::drop-down { border: none; width: 16px; }"
        "QComboBox QAbstractItemView { color: rgb(28, 59, 94); background: white;"
        " selection-background-color: rgb(46, 107, 217); selection-color: white; }");
}

void styleTextField(QLineEdit* field) {
    field->setFont(Fonts::font(13, Fonts::Weight::regular));
    field->setStyleSheet("QLineEdit { color: rgb(28, 59, 94); background: white;"
                         " border: 1px solid rgba(46, 107, 217, 90); border-radius: 7px; padding: 4px 8px; }");
}

} // namespace ostrel::ui
