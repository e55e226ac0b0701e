#pragma once

#include <QAbstractButton>

namespace ostrel::ui {

// One of a row of capsule choices (the How section's modes): semibold 13 text padded 14/7 on a
// capsule, blue with white text when chosen, the pale horizon with ink text otherwise. Checkable;
// the owner decides what is chosen (a click does not check it by itself).
//
// Threading: the GUI thread only.
class ChoiceButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ChoiceButton(const QString& text, QWidget* parent = nullptr);

    void setChosen(bool chosen);
    bool isChosen() const { return chosen_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool chosen_ = false;
};

} // namespace ostrel::ui
