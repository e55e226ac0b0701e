#pragma once

#include <QGraphicsEffect>
#include <QImage>

class QWidget;

namespace ostrel::ui {

// Fades a widget out towards its top and bottom edges, as scrolling text in the cloud windows
// does: the widget is drawn offscreen and its alpha multiplied by a mask of three bands, the
// "fade-top" art stretched over the top `height` pixels, full opacity in between, and the
// "fade-bottom" art stretched over the bottom `height` pixels. Only the art's alpha counts.
//
// Meant for a widget inside a window (Qt draws no graphics effect on a top-level widget). An edge
// whose art is missing is not faded. A widget shorter than twice the height gives each
// fade half of it.
//
// Threading: the GUI thread only.
class CloudFade : public QGraphicsEffect {
    Q_OBJECT
public:
    CloudFade(int height, QImage top, QImage bottom, QObject* parent = nullptr);

    int height() const { return height_; }

protected:
    void draw(QPainter* painter) override;

private:
    int height_;
    QImage top_;
    QImage bottom_;
};

// Installs a CloudFade of height on content with the application's fade art (CloudArt::shared()),
// replacing any graphics effect it had; content owns the effect.
CloudFade* cloudFade(QWidget* content, int height);

} // namespace ostrel::ui
