#pragma once

#include <QFont>
#include <QString>

namespace ostrel::ui {

// text wrapped at word boundaries into lines of at most width pixels in font, keeping at most
// maxLines lines; when more would be needed, the last kept line ends in "…" and what follows is
// dropped. Returns the lines joined by "\n".
QString elidedToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace ostrel::ui
