#include "ui/home/HoursChart.hpp"

#include "app/home/TimeTexts.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>

namespace ostrel::ui {

namespace {

constexpr int columns = static_cast<int>(TimeTexts::shownHours.size());

QFont titleFont() {
    return Fonts::font(HoursChart::titleSize, Fonts::Weight::bold);
}

QFont labelFont() {
    return Fonts::font(HoursChart::labelSize, Fonts::Weight::regular);
}

} // namespace

HoursChart::HoursChart(std::vector<std::int64_t> hours, const Calendar& calendar, QWidget* parent)
    : QWidget(parent), hours_(std::move(hours)), calendar_(calendar) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    setMouseTracking(true);
}

std::int64_t HoursChart::at(int hour) const {
    return hour >= 0 && hour < static_cast<int>(hours_.size()) ? hours_[static_cast<std::size_t>(hour)] : 0;
}

int HoursChart::columnsTop() const {
    return QFontMetrics(titleFont()).height() + titleSpacing;
}

QSize HoursChart::sizeHint() const {
    return {680, columnsTop() + columnHeight};
}

QRect HoursChart::columnRect(int index) const {
    // Every column takes an equal share of the width left between the gaps.
    const double share = (width() - columnSpacing * (columns - 1)) / static_cast<double>(columns);
    const int left = static_cast<int>(std::lround(index * (share + columnSpacing)));
    const int right = static_cast<int>(std::lround(index * (share + columnSpacing) + share));
    return {left, columnsTop(), right - left, columnHeight};
}

QRectF HoursChart::barRect(int index) const {
    const QRect column = columnRect(index);
    const double height = TimeTexts::hourBarHeight(at(TimeTexts::shownHours[static_cast<std::size_t>(index)]));
    const double bottom = column.bottom() + 1 - labelSpacing - QFontMetrics(labelFont()).height();
    return {column.center().x() + 0.5 - barWidth / 2.0, bottom - height, static_cast<double>(barWidth), height};
}

QString HoursChart::columnHelp(int index) const {
    const int hour = TimeTexts::shownHours[static_cast<std::size_t>(index)];
    return QString::fromStdString(TimeTexts::hourHelp(hour, at(hour), calendar_));
}

QString HoursChart::columnLabel(int index) const {
    const int hour = TimeTexts::shownHours[static_cast<std::size_t>(index)];
    return TimeTexts::hourLabelled(hour) ? QString::fromStdString(TimeTexts::hourLabel(hour, calendar_)) : QString();
}

bool HoursChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        for (int i = 0; i < columns; ++i) {
            if (columnRect(i).contains(help->pos())) {
                QToolTip::showText(help->globalPos(), columnHelp(i), this, columnRect(i));
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void HoursChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(titleFont());
    painter.setPen(Sky::ink());
    painter.drawText(QRect(0, 0, width(), QFontMetrics(titleFont()).height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(TimeTexts::hoursTitle.data(), static_cast<qsizetype>(TimeTexts::hoursTitle.size())));

    const QFontMetrics labels(labelFont());
    painter.setFont(labelFont());
    for (int i = 0; i < columns; ++i) {
        const int hour = TimeTexts::shownHours[static_cast<std::size_t>(i)];
        const QRectF bar = barRect(i);
        QPainterPath capsule;
        const double radius = std::min(bar.width(), bar.height()) / 2;
        capsule.addRoundedRect(bar, radius, radius);
        painter.fillPath(capsule, at(hour) >= 1 ? Sky::button() : Sky::horizon());

        const QString label = columnLabel(i);
        if (!label.isEmpty()) {
            const QRect column = columnRect(i);
            // The label keeps its own width, centred under the bar, even where it is wider than its column.
            const int width = labels.horizontalAdvance(label);
            const QRect place(column.center().x() + 1 - width / 2, column.bottom() + 1 - labels.height(), width,
                              labels.height());
            painter.setPen(Sky::inkSoft());
            painter.drawText(place, Qt::AlignCenter, label);
        }
    }
}

} // namespace ostrel::ui
