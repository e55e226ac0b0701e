#include "ui/home/LookBackCard.hpp"

#include "app/home/TimeTexts.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

namespace ostrel::ui {

LookBackCard::LookBackCard(const QString& text, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    auto* symbol = new QLabel(this);
    const QImage sparkles = Icons::image("sparkles", {symbolSize, symbolSize}, Sky::button(), 2);
    symbol->setPixmap(QPixmap::fromImage(sparkles));
    symbol->setFixedSize(symbolSize, symbolSize);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    title_ = plainLabel(Fonts::font(titleSize, Fonts::Weight::bold), Sky::ink(), this);
    title_->setText(QString::fromUtf8(TimeTexts::lookBackTitle.data(),
                                      static_cast<qsizetype>(TimeTexts::lookBackTitle.size())));
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addStretch();
    column->addLayout(row);

    text_ = plainLabel(Fonts::font(textSize, Fonts::Weight::regular), Sky::ink(), this);
    text_->setWordWrap(true);
    text_->setText(text);
    column->addWidget(text_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

void LookBackCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), radius, radius);
    QColor fill = Sky::horizon();
    fill.setAlphaF(0.7f);
    painter.fillPath(card, fill);
}

} // namespace ostrel::ui
