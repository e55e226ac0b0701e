#pragma once

#include <QHash>
#include <QImage>
#include <QString>

namespace ostrel::ui {

// The cloud art of the windows (frames, drifting clouds, grain, fades), read once per name and
// kept for the life of the process. Art is our own SVG drawn at its natural size; a name with no
// file, or a file that will not render, gives an empty image, and that too is kept, so a missing
// file is looked for only once.
//
// Threading: the GUI thread only (no lock: only paint code asks).
class CloudArt {
public:
    // Art looked up as folder/NAME.svg; the application's art is under ":/Clouds".
    explicit CloudArt(QString folder);

    // The art called name, rendered at twice its natural size (device pixel ratio 2, so it stays
    // sharp on dense screens and when stretched a little); null when missing.
    QImage image(const QString& name);

    // The process-wide art of the application.
    static CloudArt& shared();

private:
    QString folder_;
    QHash<QString, QImage> cache_;
};

} // namespace ostrel::ui
