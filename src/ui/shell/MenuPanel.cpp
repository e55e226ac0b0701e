#include "ui/theme/PlainLabel.hpp"
#include "ui/shell/MenuPanel.hpp"

#include "ui/cloud/CloudScene.hpp"
#include "ui/shell/MenuRow.hpp"
#include "ui/theme/Elide.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace ostrel::ui {
namespace {

QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha)); }

// The title on one line: the largest size down to the minimum that fits, else the minimum size
// with the end elided.
void fitTitle(QLabel* label, const QString& text) {
    for (int size = MenuPanel::titleSize; size >= MenuPanel::minimumTitleSize; --size) {
        const QFont font = Fonts::font(size, Fonts::Weight::bold);
        if (QFontMetrics(font).horizontalAdvance(text) <= MenuPanel::headerWidth || size == MenuPanel::minimumTitleSize) {
            label->setFont(font);
            label->setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, MenuPanel::headerWidth));
            return;
        }
    }
}

} // namespace

MenuPanel::MenuPanel(const MenuContent& content, const Clock& clock, Appearance& appearance, QWidget* parent)
    : QWidget(parent), content_(content) {
    setFixedSize(MenuContent::width, content_.height());
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Ostrel"));
    setAccessibleName(QStringLiteral("Ostrel"));

    scene_ = new CloudScene(clock, appearance, this);
    scene_->setArt(QString::fromStdString(content_.art()));
    scene_->setBand(std::nullopt);
    scene_->setLive(true);
    scene_->setSkyInset(skyInset);
    scene_->setGeometry(rect());

    auto* header = new QWidget(this);
    auto* texts = new QVBoxLayout(header);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    QFont captionFont = Fonts::font(captionSize, Fonts::Weight::bold);
    captionFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    caption_ = plainLabel(captionFont, white(0.85), header);
    caption_->setText(QString::fromStdString(content_.header.caption).toUpper());
    title_ = plainLabel(Fonts::font(titleSize, Fonts::Weight::bold), Qt::white, header);
    fitTitle(title_, QString::fromStdString(content_.header.title));
    // A soft ink shadow keeps white text readable where the sky is at its palest.
    auto* shadow = new QGraphicsDropShadowEffect(title_);
    shadow->setColor(Sky::faded(Sky::ink(), 0.25));
    shadow->setBlurRadius(6);
    shadow->setOffset(0, 1);
    title_->setGraphicsEffect(shadow);
    line_ = plainLabel(Fonts::font(lineSize, Fonts::Weight::medium), white(0.95), header);
    line_->setText(elidedToLines(QString::fromStdString(content_.header.line), line_->font(), headerWidth, maxLines));
    line_->setVisible(!content_.header.line.empty());
    texts->addWidget(caption_);
    texts->addWidget(title_);
    texts->addSpacing(2);
    texts->addWidget(line_);
    header->move(headerOrigin);
    header->setFixedSize(headerWidth, texts->sizeHint().height());
    texts->activate();

    auto* column = new QWidget(this);
    auto* rows = new QVBoxLayout(column);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(rowSpacing);
    for (const MenuItem& item : content_.items) {
        auto* row = new MenuRow(item, column);
        const MenuAction action = item.action;
        connect(row, &QAbstractButton::clicked, this, [this, action] {
            if (onChoose_) onChoose_(action);
        });
        rows->addWidget(row);
        rows_.push_back(row);
    }
    column->move(rowsOrigin);
    column->setFixedSize(rowsWidth, rows->sizeHint().height());
    rows->activate();
}

MenuRow* MenuPanel::row(MenuAction action) const {
    for (MenuRow* row : rows_) {
        if (row->item().action == action) return row;
    }
    return nullptr;
}

void MenuPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (onEscape_) onEscape_();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ostrel::ui
