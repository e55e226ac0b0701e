#pragma once

#include <QColor>

namespace ostrel::ui {

// The daytime sky every window is drawn in: six named sRGB colours. horizon fills pills, ink and
// inkSoft colour text, sun fills the sun buttons, button fills the big blue buttons, leaf is the
// accent for things that went well.
struct Sky {
    static QColor horizon() { return QColor::fromRgbF(0.86f, 0.93f, 0.99f); }
    static QColor ink() { return QColor::fromRgbF(0.11f, 0.23f, 0.37f); }
    static QColor inkSoft() { return QColor::fromRgbF(0.11f, 0.23f, 0.37f, 0.68f); }
    static QColor sun() { return QColor::fromRgbF(1.0f, 0.79f, 0.3f); }
    static QColor button() { return QColor::fromRgbF(0.18f, 0.42f, 0.85f); }
    static QColor leaf() { return QColor::fromRgbF(0.25f, 0.68f, 0.45f); }

    // The backdrop's gradient, top to bottom.
    static QColor skyTop() { return QColor::fromRgbF(0.29f, 0.53f, 0.88f); }
    static QColor skyBottom() { return QColor::fromRgbF(0.72f, 0.86f, 0.99f); }

    // c with its opacity multiplied by factor (a pressed button dims its fill or text).
    static QColor faded(QColor c, double factor) {
        c.setAlphaF(static_cast<float>(c.alphaF() * factor));
        return c;
    }
};

} // namespace ostrel::ui
