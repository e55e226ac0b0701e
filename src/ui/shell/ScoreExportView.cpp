#include "ui/shell/ScoreExportView.hpp"

#include "ui/cloud/CloudFade.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PaperCard.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyButton.hpp"
#include "ui/theme/SkyLink.hpp"

#include <QFontDatabase>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>
#include <QTextFrame>
#include <QScrollBar>

namespace ostrel::ui {

namespace {

constexpr QPoint headingAt{108, 100};
constexpr int headingWidth = 400;
// The pale card under the body, 14 wider on each side and 12 taller above and below.
constexpr QRect cardRect{82, 224, 436, 444};
constexpr int privacyTop = 26;
constexpr int bodySpacing = 14;
constexpr int fadeHeight = 36;
constexpr int textMargin = 30;
constexpr int buttonsSpacing = 18;
constexpr int buttonsTop = 8;

constexpr const char* privacyText =
    "Nothing here says what you opened, where you were or what's in your calendar. Ostrel doesn't send "
    "anything by itself.";

} // namespace

ScoreExportView::ScoreExportView(const Clock& clock, Appearance& appearance, bool reminder, bool live,
                                 bool withRecipient, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(size);
    setFocusPolicy(Qt::StrongFocus);
    sky_ = new CloudScene(clock, appearance, this);
    sky_->setArt("export");
    sky_->setBand(std::nullopt);
    sky_->setLive(live);
    sky_->setSkyInset(42);
    sky_->setGeometry(rect());

    title_ = plainLabel(Fonts::font(30, Fonts::Weight::bold), Qt::white, this);
    title_->setText(reminder ? "It's been 3 weeks!" : "Your scores");
    auto* shadow = new QGraphicsDropShadowEffect(title_);
    shadow->setColor(Sky::faded(Sky::ink(), 0.25));
    shadow->setBlurRadius(12); // a radius of 6
    shadow->setOffset(0, 2);
    title_->setGraphicsEffect(shadow);
    title_->setGeometry(headingAt.x(), headingAt.y(), headingWidth, title_->sizeHint().height());
    subtitle_ = plainLabel(Fonts::font(15, Fonts::Weight::medium), QColor::fromRgbF(1, 1, 1, 0.92f), this);
    subtitle_->setText(reminder ? "Thank you. Please send your scores." : "Just numbers, and you can read all of them.");
    subtitle_->setGeometry(headingAt.x(), title_->geometry().bottom() + 1 + 4, headingWidth,
                           subtitle_->sizeHint().height());

    auto* card = new PaperCard(this);
    card->setGeometry(cardRect);

    auto* body = new QWidget(this);
    body->setGeometry(bodyFrame);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, privacyTop, 0, 0);
    column->setSpacing(bodySpacing);

    privacy_ = plainLabel(Fonts::font(14, Fonts::Weight::regular), Sky::inkSoft(), body);
    privacy_->setText(privacyText);
    privacy_->setWordWrap(true);
    column->addWidget(privacy_);

    // The export area: "Scoring…" until the text comes, then the text between fades.
    auto* area = new QWidget(body);
    auto* stack = new QVBoxLayout(area);
    stack->setContentsMargins(0, 0, 0, 0);
    scoring_ = plainLabel(Fonts::font(14, Fonts::Weight::regular), Sky::inkSoft(), area);
    scoring_->setText("Scoring…");
    scoring_->setAlignment(Qt::AlignCenter);
    stack->addWidget(scoring_);
    textArea_ = new QTextEdit(area);
    textArea_->setReadOnly(true);
    textArea_->setAcceptRichText(false);
    textArea_->setTextInteractionFlags(live ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                            : Qt::NoTextInteraction);
    textArea_->setFrameShape(QFrame::NoFrame);
    textArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!live) {
        textArea_->verticalScrollBar()->setEnabled(false);
    }
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    textArea_->setFont(fixed);
    QPalette palette = textArea_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Sky::ink());
    textArea_->setPalette(palette);
    textArea_->viewport()->setAutoFillBackground(false);
    textArea_->hide();
    stack->addWidget(textArea_);
    column->addWidget(area, 1);
    cloudFade(area, fadeHeight);

    buttons_ = new QWidget(body);
    auto* row = new QHBoxLayout(buttons_);
    row->setContentsMargins(0, buttonsTop, 0, 0);
    row->setSpacing(buttonsSpacing);
    copy_ = new SkyLink("Copy", buttons_);
    save_ = new SkyLink("Save…", buttons_);
    row->addWidget(copy_);
    row->addWidget(save_);
    row->addStretch();
    connect(copy_, &QAbstractButton::clicked, this, &ScoreExportView::copyChosen);
    connect(save_, &QAbstractButton::clicked, this, &ScoreExportView::saveChosen);
    if (withRecipient) {
        email_ = new SkyButton("Email my scores", buttons_);
        row->addWidget(email_);
        connect(email_, &QAbstractButton::clicked, this, &ScoreExportView::emailChosen);
    }
    buttons_->hide();
    column->addWidget(buttons_);
}

void ScoreExportView::setText(const QString& text) {
    text_ = text;
    textArea_->setPlainText(text);
    // 30 above and below the text, inside what scrolls.
    QTextFrameFormat margins = textArea_->document()->rootFrame()->frameFormat();
    margins.setTopMargin(textMargin);
    margins.setBottomMargin(textMargin);
    margins.setLeftMargin(0);
    margins.setRightMargin(0);
    textArea_->document()->rootFrame()->setFrameFormat(margins);
    scoring_->hide();
    textArea_->show();
    buttons_->show();
}

void ScoreExportView::keyPressEvent(QKeyEvent* event) {
    // Return is the mail button's once it shows.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && email_ != nullptr &&
        email_->isVisibleTo(this)) {
        email_->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ostrel::ui
