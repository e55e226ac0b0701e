#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

namespace ostrel {
class Calendar;
}

namespace ostrel::ui {

// "Through the day": one column per shown hour (6 in the morning to 1 at night), each a 16-point
// capsule standing on the column's bottom, a full hour 90 points tall and every bar at least 4,
// blue with use and horizon without; the hours 6, 12, 18 and 0 carry their label under the bar.
// Each column's tooltip reads the hour and its time in words.
//
// Threading: the GUI thread only.
class HoursChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int titleSize = 17;
    static constexpr int titleSpacing = 8;
    static constexpr int columnSpacing = 4;
    static constexpr int columnHeight = 110;
    static constexpr int barWidth = 16;
    static constexpr int labelSpacing = 4;
    static constexpr int labelSize = 10;

    // hours: milliseconds per hour of the day, index = hour (missing hours count as 0). The
    // calendar names the hours and must outlive the chart.
    HoursChart(std::vector<std::int64_t> hours, const Calendar& calendar, QWidget* parent = nullptr);

    // The column of the i-th shown hour and its bar, in the chart's coordinates.
    QRect columnRect(int index) const;
    QRectF barRect(int index) const;
    QString columnHelp(int index) const;
    QString columnLabel(int index) const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t at(int hour) const;
    int columnsTop() const;

    std::vector<std::int64_t> hours_;
    const Calendar& calendar_;
};

} // namespace ostrel::ui
