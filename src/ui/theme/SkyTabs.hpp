#pragma once

#include <QWidget>

#include <vector>

class QAbstractButton;

namespace ostrel::ui {

// A pill-shaped tab bar over the sky: one capsule button per tab, 2 apart, on a capsule of white at
// 22 % padded 3. The selected tab is a white capsule with ink text, the others white text on
// nothing; bold 15 text padded 16/7. A click on a tab reports its index through `chosen`; the owner
// decides and calls setSelected (choosing the selected tab again is reported too: the owner's model
// ignores it).
//
// Threading: the GUI thread only.
class SkyTabs : public QWidget {
    Q_OBJECT
public:
    explicit SkyTabs(const std::vector<QString>& labels, QWidget* parent = nullptr);

    int selected() const { return selected_; }
    void setSelected(int index);
    const std::vector<QAbstractButton*>& tabs() const { return tabs_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QAbstractButton*> tabs_;
    int selected_ = 0;
};

} // namespace ostrel::ui
