#pragma once

#include <QWidget>

namespace ostrel::ui {

// The drawn sun: a disc of the sky's sun colour, centred in the widget. The banner shows it at
// diameter 30 in a 44 x 44 frame. A plain disc until the mascot's own drawing takes its place.
class Sun : public QWidget {
public:
    Sun(int diameter, QSize frame, QWidget* parent = nullptr);

    int diameter() const { return diameter_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int diameter_;
};

} // namespace ostrel::ui
