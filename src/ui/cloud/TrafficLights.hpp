#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

namespace ostrel::ui {

// One of the two round buttons of a cloud window: a 12 px disc in its fill with a thin inner
// border, and its symbol on top while the cluster it sits in is hovered. It takes no focus and
// draws no bezel; clicking it runs the action the cluster gave it.
//
// Threading: the GUI thread only.
class TrafficLight : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        QColor fill;
        QColor border;
        QString symbol; // an SVG of the application's icons, drawn black at reduced opacity
    };

    TrafficLight(Look look, QWidget* parent);

    const Look& look() const { return look_; }
    // Whether the symbol is drawn; the cluster turns it on and off for both lights together.
    void setSymbolShown(bool shown);
    bool symbolShown() const { return symbolShown_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage symbolImage(qreal pixelRatio);

    Look look_;
    bool symbolShown_ = false;
    QImage symbol_;
};

// The close and minimise buttons a cloud window draws inside its own face instead of a title bar:
// two lights in a row, close first, 8 px apart, with 4 px of padding all round. The padding and the
// gap belong to the cluster: the pointer anywhere over it shows both symbols, and leaving it hides
// them.
//
// It does not hold the window: the two actions it is given decide what close and minimise do.
//
// Threading: the GUI thread only.
class TrafficLights : public QWidget {
    Q_OBJECT
public:
    static constexpr int lightSize = 12;
    static constexpr int spacing = 8;
    static constexpr int padding = 4;
    static constexpr qreal borderWidth = 0.5;
    // The symbol's box inside a light: the icons draw their strokes across the middle half of
    // their box, so this makes a mark about 5 px across, bold enough to read at this size.
    static constexpr qreal symbolSize = 10;
    static constexpr qreal symbolOpacity = 0.55;

    static QColor closeFill() { return QColor::fromRgbF(1.0f, 0.37f, 0.34f); }
    static QColor closeBorder() { return QColor::fromRgbF(0.88f, 0.27f, 0.24f); }
    static QColor minimiseFill() { return QColor::fromRgbF(1.0f, 0.74f, 0.18f); }
    static QColor minimiseBorder() { return QColor::fromRgbF(0.87f, 0.63f, 0.14f); }

    TrafficLights(std::function<void()> close, std::function<void()> minimise, QWidget* parent = nullptr);

    TrafficLight* closeLight() const { return close_; }
    TrafficLight* minimiseLight() const { return minimise_; }
    // Whether the pointer is over the cluster (false until it first enters).
    bool isHovering() const { return hovering_; }

    QSize sizeHint() const override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // A window hidden under the pointer (closed by its own light) gets no leave; it must not show
    // the symbols again when it comes back somewhere the pointer is not.
    void hideEvent(QHideEvent* event) override;

private:
    void setHovering(bool hovering);

    TrafficLight* close_;
    TrafficLight* minimise_;
    bool hovering_ = false;
};

} // namespace ostrel::ui
