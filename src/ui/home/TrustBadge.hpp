#pragma once

#ifndef Q_MOC_RUN
#include "app/home/RoutineRowText.hpp"
#endif

#include <QColor>
#include <QMargins>
#include <QWidget>

namespace ostrel::ui {

// The small capsule at the right of a routine's name that says how the autopilot treats it: its
// text in bold 12 ink, padded 10 left and right and 3 above and below, on a capsule filled with
// the badge's theme colour at the badge's opacity. Fixed at its size hint; takes no clicks.
//
// Threading: the GUI thread only.
class TrustBadge : public QWidget {
    Q_OBJECT
public:
    explicit TrustBadge(const RoutineRowText::Badge& badge, QWidget* parent = nullptr);

    QString text() const { return text_; }
    // The capsule's fill, opacity included.
    QColor background() const { return background_; }

    static QColor colour(RoutineRowText::BadgeColour colour);

    static constexpr QMargins padding{10, 3, 10, 3};
    static constexpr int textSize = 12;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor background_;
};

} // namespace ostrel::ui
