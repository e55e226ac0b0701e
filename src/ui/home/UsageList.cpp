#include "ui/home/UsageList.hpp"

#include "app/home/Duration.hpp"
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
    return Fonts::font(UsageList::titleSize, Fonts::Weight::bold);
}

QFont nameFont() {
    return Fonts::font(UsageList::nameSize, Fonts::Weight::medium);
}

QFont wordsFont() {
    return Fonts::font(UsageList::wordsSize, Fonts::Weight::regular);
}

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& colour) {
    QPainterPath capsule;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    capsule.addRoundedRect(rect, radius, radius);
    painter.fillPath(capsule, colour);
}

} // namespace

UsageList::UsageList(const QString& title, std::vector<TimeReport::Usage> usage, const Describe& describe,
                     QWidget* parent)
    : QWidget(parent), title_(title), peak_(TimeTexts::usagePeak(usage)) {
    for (TimeReport::Usage& entry : usage) {
        Look look = describe(entry.key);
        rows_.push_back({std::move(entry), std::move(look)});
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QString UsageList::words(int row) const {
    return QString::fromStdString(Duration::words(rows_[static_cast<std::size_t>(row)].usage.ms));
}

int UsageList::rowHeight() const {
    const int line = std::max(QFontMetrics(nameFont()).height(), QFontMetrics(wordsFont()).height());
    return std::max(imageSize, line + lineSpacing + trackHeight);
}

int UsageList::rowsTop() const {
    return QFontMetrics(titleFont()).height() + spacing;
}

QSize UsageList::sizeHint() const {
    const int rows = static_cast<int>(rows_.size());
    const int height = rows == 0 ? QFontMetrics(titleFont()).height() : rowsTop() + rows * rowHeight() + (rows - 1) * spacing;
    return {680, height};
}

QRect UsageList::rowRect(int row) const {
    return {0, rowsTop() + row * (rowHeight() + spacing), width(), rowHeight()};
}

QRectF UsageList::trackRect(int row) const {
    const QRect place = rowRect(row);
    const double left = imageSize + imageSpacing;
    return {left, static_cast<double>(place.bottom() + 1 - trackHeight), place.width() - left, trackHeight};
}

QRectF UsageList::barRect(int row) const {
    const QRectF track = trackRect(row);
    const double width =
        TimeTexts::usageBarWidth(track.width(), rows_[static_cast<std::size_t>(row)].usage.ms, peak_);
    return {track.left(), track.top(), width, track.height()};
}

void UsageList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(titleFont());
    painter.setPen(Sky::ink());
    painter.drawText(QRect(0, 0, width(), QFontMetrics(titleFont()).height()), Qt::AlignLeft | Qt::AlignVCenter,
                     title_);

    const QFontMetrics names(nameFont());
    const QFontMetrics words(wordsFont());
    for (int i = 0; i < rowCount(); ++i) {
        const Row& row = rows_[static_cast<std::size_t>(i)];
        const QRect place = rowRect(i);
        const QRectF image(0, place.center().y() + 1 - imageSize / 2.0, imageSize, imageSize);
        if (!row.look.image.isNull()) {
            painter.drawImage(image, row.look.image);
        }

        // The line above the track: the time at the right, the name elided before it.
        const QRectF track = trackRect(i);
        const QString time = this->words(i);
        const int timeWidth = words.horizontalAdvance(time);
        const int lineHeight = std::max(names.height(), words.height());
        const double lineTop = track.top() - lineSpacing - lineHeight;
        painter.setFont(wordsFont());
        painter.setPen(Sky::inkSoft());
        painter.drawText(QRectF(track.right() - timeWidth, lineTop, timeWidth, lineHeight),
                         Qt::AlignRight | Qt::AlignBottom, time);
        const int nameRoom = static_cast<int>(track.width()) - timeWidth - 8;
        painter.setFont(nameFont());
        painter.setPen(Sky::ink());
        painter.drawText(QRectF(track.left(), lineTop, nameRoom, lineHeight), Qt::AlignLeft | Qt::AlignBottom,
                         names.elidedText(row.look.name, Qt::ElideRight, std::max(nameRoom, 0)));

        fillCapsule(painter, track, Sky::horizon());
        QColor bar = Sky::button();
        bar.setAlphaF(0.75f);
        fillCapsule(painter, barRect(i), bar);
    }
}

} // namespace ostrel::ui
