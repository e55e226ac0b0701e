#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace ostrel::ui {

// A small capsule label of the sky theme: an 18 x 18 icon and one line of medium 13 ink text on
// Sky::horizon(), used for the apps and pages a routine opens. Text longer than 150 px is cut in
// the middle with an ellipsis, so both ends of a long name stay readable. The pill has a fixed
// size (its size hint, exactly) and never stretches or wraps; it takes no clicks.
//
// Threading: the GUI thread only.
class Pill : public QWidget {
    Q_OBJECT
public:
    Pill(const QImage& icon, const QString& text, QWidget* parent = nullptr);
    // A pill whose icon is the Icons symbol called symbol, in the text's colour.
    Pill(const QString& symbol, const QString& text, QWidget* parent = nullptr);

    QString text() const { return fullText; }
    void setText(const QString& text);
    QImage icon() const { return iconImage; }
    void setIcon(const QImage& icon);

    // The text as shown: whole, or cut in the middle to fit maxTextWidth.
    QString shownText() const;
    // Where the icon is drawn (always 18 x 18, the image stretched into it).
    QRect iconRect() const;

    static constexpr int iconSide = 18;
    static constexpr int maxTextWidth = 150;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textWidth() const;

    QImage iconImage;
    QString fullText;
};

} // namespace ostrel::ui
