#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

namespace ostrel::ui {

// A label of plain text (never read as markup: names come from the user's files and calendar) in
// font and colour, aligned to its top-left corner.
QLabel* plainLabel(const QFont& font, const QColor& colour, QWidget* parent);

} // namespace ostrel::ui
