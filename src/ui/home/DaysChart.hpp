#pragma once

#ifndef Q_MOC_RUN
#include "core/foundation/Date.hpp"
#endif

#include <QWidget>

#include <cstdint>
#include <vector>

namespace ostrel {
class Calendar;
}

namespace ostrel::ui {

// "Day by day": one column per day from firstDay, 14 apart from the left: the day's amount ("45m",
// "1.5h", nothing for an idle day), a 34-point blue capsule (the busiest day 100 points tall, every
// bar at least 4) and the abbreviated weekday. No days: the title alone.
//
// Threading: the GUI thread only.
class DaysChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int titleSize = 17;
    static constexpr int titleSpacing = 8;
    static constexpr int columnSpacing = 14;
    static constexpr int columnHeight = 140;
    static constexpr int barWidth = 34;
    static constexpr int stackSpacing = 5;
    static constexpr int amountSize = 11; // 10.5 in whole pixels
    static constexpr int daySize = 11;

    // days: milliseconds per calendar day, the first the day of firstDay. The calendar names the
    // days and must outlive the chart.
    DaysChart(std::vector<std::int64_t> days, Date firstDay, const Calendar& calendar, QWidget* parent = nullptr);

    int columnCount() const { return static_cast<int>(days_.size()); }
    QRect columnRect(int index) const;
    QRectF barRect(int index) const;
    QString amount(int index) const;
    QString day(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int columnsTop() const;
    int columnWidth(int index) const;

    std::vector<std::int64_t> days_;
    Date firstDay_;
    const Calendar& calendar_;
    std::int64_t peak_;
};

} // namespace ostrel::ui
