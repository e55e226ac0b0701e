#pragma once

#include <QAbstractButton>

namespace ostrel::ui {

// The quiet text button of the sky theme ("Not now", "Change"): medium 14 text in Sky::inkSoft()
// with no background and no padding, dimmed to half while pressed. The whole label rectangle
// takes the click, not only the glyphs. No animation.
//
// Threading: the GUI thread only.
class SkyLink : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkyLink(const QString& text, QWidget* parent = nullptr);

    // A symbol (Icons name) drawn ahead of the text; empty for none.
    void setSymbol(const QString& name);
    QString symbol() const { return symbolName; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QString symbolName;
};

} // namespace ostrel::ui
