#pragma once

#include <QColor>
#include <QWidget>

#include <vector>

class QAbstractButton;

namespace ostrel::ui {

// A pill-shaped tab bar: one capsule button per tab, 2 apart, on a capsule track padded 3. A click
// on a tab reports its index through `chosen`; the owner decides and calls setSelected (choosing the
// selected tab again is reported too: the owner's model ignores it).
//
// Two looks share the shape. Over the sky (the Home window's tabs): a track of white at 22 %, the
// selected tab a white capsule with ink text, the others white text on nothing; bold 15 text padded
// 16/7. On a pale card (the time page's span picker): a horizon track, the selected tab a button-blue
// capsule with white text, the others ink text on nothing; bold 12 text padded 12/5.
//
// Threading: the GUI thread only.
class SkyTabs : public QWidget {
    Q_OBJECT
public:
    struct Look {
        int fontSize = 15;
        int paddingX = 16;
        int paddingY = 7;
        QColor track;
        QColor selectedFill;
        QColor selectedText;
        QColor otherText;

        static Look overSky();
        static Look onCard();
    };

    explicit SkyTabs(const std::vector<QString>& labels, QWidget* parent = nullptr);
    SkyTabs(const std::vector<QString>& labels, const Look& look, QWidget* parent = nullptr);

    int selected() const { return selected_; }
    void setSelected(int index);
    const std::vector<QAbstractButton*>& tabs() const { return tabs_; }
    const Look& look() const { return look_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
    std::vector<QAbstractButton*> tabs_;
    int selected_ = 0;
};

} // namespace ostrel::ui
