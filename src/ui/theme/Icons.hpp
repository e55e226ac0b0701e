#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace ostrel::ui {

// The application's own symbol set: one SVG per symbol name under ":/Icons/NAME.svg", drawn on a
// 24 x 24 grid in black line art. image() renders a symbol at a size and recolours it to one ink,
// so a symbol takes whatever colour its text has. White in the art is a hole: filled symbols cut
// their inner glyph out with white, and it shows whatever is behind the symbol.
//
// It does not pick symbols for anything (the callers name them) and knows no fallback: an unknown
// name gives a null image and the caller decides what to show instead.
//
// Threading: the GUI thread only (the cache is unguarded).
class Icons {
public:
    // The symbol called name, rendered to fill size (logical pixels) at devicePixelRatio and
    // painted in color (its alpha included); cached per (name, size, color, ratio). A null image
    // for an unknown name or an empty size.
    static QImage image(const QString& name, QSize size, QColor color, qreal devicePixelRatio = 2);
    // Whether the set has a symbol called name.
    static bool has(const QString& name);
};

} // namespace ostrel::ui
