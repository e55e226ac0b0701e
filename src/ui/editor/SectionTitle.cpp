#include "ui/editor/SectionTitle.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace ostrel::ui {
namespace {

// A detail longer than this asks for no more width: the section gives it what it has and it wraps.
constexpr int preferredDetailWidth = 320;
constexpr int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QFont titleFont() {
    return Fonts::font(SectionTitle::titleSize, Fonts::Weight::bold);
}
QFont detailFont() {
    return Fonts::font(SectionTitle::detailSize, Fonts::Weight::regular);
}

int wrappedHeight(const QFont& font, const QString& text, int width) {
    const QFontMetrics metrics(font);
    if (text.isEmpty())
        return metrics.height();
    return metrics.boundingRect(QRect(0, 0, std::max(width, 1), INT_MAX / 2), textFlags, text).height();
}

} // namespace

SectionTitle::SectionTitle(const QString& title, const QString& detail, QWidget* parent)
    : QWidget(parent), titleText(title), detailText(detail) {
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(title);
    setAccessibleDescription(detail);
}

void SectionTitle::setTitle(const QString& title) {
    titleText = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

void SectionTitle::setDetail(const QString& detail) {
    detailText = detail;
    setAccessibleDescription(detail);
    updateGeometry();
    update();
}

int SectionTitle::titleHeight(int width) const {
    return wrappedHeight(titleFont(), titleText, width);
}

int SectionTitle::detailHeight(int width) const {
    return detailText.isEmpty() ? 0 : wrappedHeight(detailFont(), detailText, width);
}

int SectionTitle::heightForWidth(int width) const {
    return titleHeight(width) + (detailText.isEmpty() ? 0 : spacing + detailHeight(width));
}

QSize SectionTitle::sizeHint() const {
    const int titleWidth = QFontMetrics(titleFont()).horizontalAdvance(titleText);
    const int detailWidth =
        std::min(QFontMetrics(detailFont()).horizontalAdvance(detailText), preferredDetailWidth);
    const int width = std::max({titleWidth, detailWidth, 1});
    return {width, heightForWidth(width)};
}

QSize SectionTitle::minimumSizeHint() const {
    // Any width will do: the texts wrap (a single long word is cut at the edge).
    return {0, heightForWidth(sizeHint().width())};
}

QRect SectionTitle::titleRect() const {
    return {0, 0, width(), titleHeight(width())};
}

QRect SectionTitle::detailRect() const {
    if (detailText.isEmpty())
        return {};
    return {0, titleHeight(width()) + spacing, width(), detailHeight(width())};
}

void SectionTitle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(titleFont());
    painter.setPen(Sky::ink());
    painter.drawText(titleRect(), textFlags, titleText);
    if (detailText.isEmpty())
        return;
    painter.setFont(detailFont());
    painter.setPen(Sky::inkSoft());
    painter.drawText(detailRect(), textFlags, detailText);
}

} // namespace ostrel::ui
