#pragma once

#include <QByteArray>
#include <QImage>

namespace ostrel::ui {

// The application's icon in the tray: our own white cloud with a dark outline, so it reads on
// light and dark panels alike. Drawn 18 x 18 (logical pixels) from one SVG.
//
// Threading: image() on the GUI thread only; svg() anywhere after the QApplication exists.
class MenuIcon {
public:
    static constexpr int side = 18;

    // The SVG file's bytes, as the tray role takes an image.
    static QByteArray svg();
    // The icon at side x side logical pixels and devicePixelRatio (2 for the dense copy);
    // transparent around the cloud.
    static QImage image(qreal devicePixelRatio = 1);
};

} // namespace ostrel::ui
