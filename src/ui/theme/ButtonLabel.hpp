#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace ostrel::ui {

// What a painted button shows: an optional leading symbol (from Icons) and one line of text in one
// font and colour, the symbol as tall as the font's cap height plus a little, 6 apart from the text.
// The three button styles measure and draw their labels through it, so a symbol sits the same way
// in each of them. It draws no background and reads no state.
//
// Threading: the GUI thread only.
struct ButtonLabel {
    QString text;
    QString symbol; // empty for none; an unknown name draws nothing and takes no room
    QFont font;

    // The label's natural size: the text's advance and the font's line height, plus the symbol.
    QSizeF size() const;
    // Draws the label centred in rect in color.
    void paint(QPainter& painter, const QRectF& rect, const QColor& color) const;

    static constexpr qreal symbolSpacing = 6;
};

} // namespace ostrel::ui
