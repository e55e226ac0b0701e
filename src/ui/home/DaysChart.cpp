#include "ui/home/DaysChart.hpp"

#include "app/home/TimeTexts.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ostrel::ui {

namespace {

QFont titleFont() {
    return Fonts::font(DaysChart::titleSize, Fonts::Weight::bold);
}

QFont amountFont() {
    return Fonts::font(DaysChart::amountSize, Fonts::Weight::semibold);
}

QFont dayFont() {
    return Fonts::font(DaysChart::daySize, Fonts::Weight::semibold);
}

} // namespace

DaysChart::DaysChart(std::vector<std::int64_t> days, Date firstDay, const Calendar& calendar, QWidget* parent)
    : QWidget(parent), days_(std::move(days)), firstDay_(firstDay), calendar_(calendar),
      peak_(TimeTexts::dayPeak(days_)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

int DaysChart::columnsTop() const {
    return QFontMetrics(titleFont()).height() + titleSpacing;
}

QSize DaysChart::sizeHint() const {
    return {680, days_.empty() ? QFontMetrics(titleFont()).height() : columnsTop() + columnHeight};
}

int DaysChart::columnWidth(int index) const {
    // A column is as wide as the widest of its bar and its two texts.
    return std::max({barWidth, QFontMetrics(amountFont()).horizontalAdvance(amount(index)),
                     QFontMetrics(dayFont()).horizontalAdvance(day(index))});
}

QRect DaysChart::columnRect(int index) const {
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += columnWidth(i) + columnSpacing;
    }
    return {left, columnsTop(), columnWidth(index), columnHeight};
}

QRectF DaysChart::barRect(int index) const {
    const QRect column = columnRect(index);
    const double height = TimeTexts::dayBarHeight(days_[static_cast<std::size_t>(index)], peak_);
    const double bottom = column.bottom() + 1 - QFontMetrics(dayFont()).height() - stackSpacing;
    return {column.left() + (column.width() - barWidth) / 2.0, bottom - height, static_cast<double>(barWidth), height};
}

QString DaysChart::amount(int index) const {
    return QString::fromStdString(TimeTexts::dayAmount(days_[static_cast<std::size_t>(index)]));
}

QString DaysChart::day(int index) const {
    return QString::fromStdString(TimeTexts::dayLabel(firstDay_, index, calendar_));
}

void DaysChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics title(titleFont());
    painter.setFont(titleFont());
    painter.setPen(Sky::ink());
    painter.drawText(QRect(0, 0, width(), title.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(TimeTexts::daysTitle.data(), static_cast<qsizetype>(TimeTexts::daysTitle.size())));

    const QFontMetrics amounts(amountFont());
    const QFontMetrics days(dayFont());
    for (int i = 0; i < columnCount(); ++i) {
        const QRect column = columnRect(i);
        const QRectF bar = barRect(i);
        QPainterPath capsule;
        const double radius = std::min(bar.width(), bar.height()) / 2;
        capsule.addRoundedRect(bar, radius, radius);
        painter.fillPath(capsule, Sky::button());

        // The amount stands on the bar; an idle day keeps the line, empty.
        const QRectF amountPlace(column.left(), bar.top() - stackSpacing - amounts.height(), column.width(),
                                 amounts.height());
        painter.setFont(amountFont());
        painter.setPen(Sky::inkSoft());
        painter.drawText(amountPlace, Qt::AlignCenter, amount(i));

        const QRect dayPlace(column.left(), column.bottom() + 1 - days.height(), column.width(), days.height());
        painter.setFont(dayFont());
        painter.setPen(Sky::ink());
        painter.drawText(dayPlace, Qt::AlignCenter, day(i));
    }
}

} // namespace ostrel::ui
