#include "ui/editor/DescribeCard.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SunButton.hpp"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel::ui {
namespace {

// Text sizes in pixels. The small ones are rounded to whole pixels (the font takes no halves):
// the privacy line down to 11 so it stays quieter than the 12 px notes under it.
constexpr int titleSize = 17;
constexpr int fieldSize = 14;
constexpr int lineSize = 11;
constexpr int noteSize = 12;
constexpr int reasonSize = 13;

constexpr int headerSpacing = 6;
constexpr int symbolSide = 18;
constexpr int noteSymbolSide = 14;
constexpr int fieldPadding = 10;
constexpr qreal fieldRadius = 12;
constexpr qreal borderOpacity = 0.25;
constexpr int minimumLines = 3;
constexpr int maximumLines = 5;
constexpr qreal disabledOpacity = 0.5;

constexpr int spinnerSide = 14;
constexpr int spinnerTickMs = 40;
constexpr int spinnerStep = 30; // degrees per tick

QLabel* symbol(const QString& name, int side, const QColor& colour) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(Icons::image(name, QSize(side, side), colour)));
    label->setFixedSize(side, side);
    return label;
}

QLabel* wrapping(QLabel* label) {
    label->setWordWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true); // a new policy would drop the wrapped label's own
    label->setSizePolicy(policy);
    return label;
}

// A symbol ahead of a wrapping text, top-aligned so a second line hangs under the first.
QWidget* symbolRow(const QString& name, const QString& text, const QColor& colour, QLabel** textLabel = nullptr) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(headerSpacing);
    auto* label = wrapping(plainLabel(Fonts::font(noteSize, Fonts::Weight::regular), colour, row));
    label->setText(text);
    // The symbol sits on the first line's middle.
    const int lift = std::max(0, (label->fontMetrics().height() - noteSymbolSide) / 2);
    auto* icon = symbol(name, noteSymbolSide, colour);
    icon->setContentsMargins(0, 0, 0, 0);
    auto* iconColumn = new QVBoxLayout;
    iconColumn->setContentsMargins(0, lift, 0, 0);
    iconColumn->addWidget(icon);
    iconColumn->addStretch();
    layout->addLayout(iconColumn);
    layout->addWidget(label, 1);
    if (textLabel != nullptr) *textLabel = label;
    return row;
}

// The text field: Return and Enter are its own (a new line), so they are claimed before any
// shortcut or default button of the window sees them.
class DescribeField : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier) {
                event->accept();
                return true;
            }
        }
        return QPlainTextEdit::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            insertPlainText(QStringLiteral("\n"));
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

// The white rounded ground of the field with its thin blue edge, stroked inside.
class FieldBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF edge = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Sky::faded(Sky::button(), borderOpacity), 1));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(edge, fieldRadius - 0.5, fieldRadius - 0.5);
    }
};

// A small turning arc while the model is asked. It turns only while shown; a picture of it is its
// first frame.
class Spinner : public QWidget {
public:
    explicit Spinner(QWidget* parent = nullptr) : QWidget(parent) {
        setFixedSize(spinnerSide, spinnerSide);
        timer_.setInterval(spinnerTickMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            angle_ = (angle_ + spinnerStep) % 360;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { timer_.start(); }
    void hideEvent(QHideEvent*) override { timer_.stop(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF ring = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(Sky::faded(Sky::inkSoft(), 0.3), 2));
        painter.drawEllipse(ring);
        painter.setPen(QPen(Sky::inkSoft(), 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, (90 - angle_) * 16, -100 * 16);
    }

private:
    QTimer timer_;
    int angle_ = 0;
};

QString text(const std::string& value) { return QString::fromStdString(value); }

} // namespace

DescribeCard::DescribeCard(DescribeFill& fill, QWidget* parent) : QWidget(parent), fill_(fill) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    header->addWidget(symbol("sparkles", symbolSide, Sky::button()), 0, Qt::AlignVCenter);
    auto* title = plainLabel(Fonts::font(titleSize, Fonts::Weight::bold), Sky::ink(), this);
    title->setText(QStringLiteral("Say what you want"));
    header->addWidget(title, 0, Qt::AlignVCenter);
    header->addStretch();
    column->addLayout(header);

    fieldBox_ = new FieldBox(this);
    auto* boxLayout = new QVBoxLayout(fieldBox_);
    boxLayout->setContentsMargins(fieldPadding, fieldPadding, fieldPadding, fieldPadding);
    field_ = new DescribeField(fieldBox_);
    field_->setFont(Fonts::font(fieldSize, Fonts::Weight::regular));
    field_->setFrameShape(QFrame::NoFrame);
    field_->setPlaceholderText(QString::fromUtf8(placeholder));
    field_->setTabChangesFocus(true);
    field_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    field_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field_->document()->setDocumentMargin(0);
    field_->viewport()->setAutoFillBackground(false);
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Sky::ink());
    palette.setColor(QPalette::PlaceholderText, Sky::faded(Sky::inkSoft(), 0.75));
    field_->setPalette(palette);
    boxLayout->addWidget(field_);
    column->addWidget(fieldBox_);

    actions_ = new QWidget(this);
    auto* actionRow = new QHBoxLayout(actions_);
    actionRow->setContentsMargins(0, 0, 0, 0);
    actionRow->setSpacing(8);
    auto* line = wrapping(plainLabel(Fonts::font(lineSize, Fonts::Weight::regular), Sky::inkSoft(), actions_));
    line->setText(QString::fromUtf8(privacyLine));
    actionRow->addWidget(line, 1, Qt::AlignVCenter);
    spinner_ = new Spinner(actions_);
    actionRow->addWidget(spinner_, 0, Qt::AlignVCenter);
    button_ = new SunButton(QStringLiteral("Fill it in"), true, actions_);
    auto* dimmed = new QGraphicsOpacityEffect(button_);
    dimmed->setOpacity(disabledOpacity);
    button_->setGraphicsEffect(dimmed);
    actionRow->addWidget(button_, 0, Qt::AlignVCenter);
    column->addWidget(actions_);

    notes_ = new QWidget(this);
    noteRows_ = new QVBoxLayout(notes_);
    noteRows_->setContentsMargins(0, 0, 0, 0);
    noteRows_->setSpacing(spacing);
    column->addWidget(notes_);

    failure_ = symbolRow("exclamationmark.triangle", QString(), Sky::ink(), &failureLabel_);
    failure_->setParent(this);
    column->addWidget(failure_);

    reason_ = wrapping(plainLabel(Fonts::font(reasonSize, Fonts::Weight::regular), Sky::inkSoft(), this));
    column->addWidget(reason_);

    connect(field_, &QPlainTextEdit::textChanged, this, [this] {
        fill_.setWords(field_->toPlainText().toStdString());
        fitField();
    });
    connect(button_, &QAbstractButton::clicked, this, [this] { fill_.fill(); });
    watching_ = fill_.observe([this](DescribeFill::Property property) { refresh(property); });

    field_->setPlainText(text(fill_.words()));
    fitField();
    showAvailability();
    showWorking();
    showNotes();
    showFailure();
}

DescribeCard::~DescribeCard() = default;

QStringList DescribeCard::noteTexts() const {
    QStringList texts;
    for (QLabel* label : notes_->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) texts.push_back(label->text());
    }
    return texts;
}

QString DescribeCard::failureText() const { return failure_->isHidden() ? QString() : failureLabel_->text(); }

int DescribeCard::fieldHeight(int lines) const {
    const int shown = std::clamp(lines, minimumLines, maximumLines);
    return shown * field_->fontMetrics().lineSpacing() + 2 * fieldPadding;
}

void DescribeCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::faded(Sky::horizon(), fillOpacity));
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
}

void DescribeCard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitField();
}

void DescribeCard::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fill_.probe();
}

void DescribeCard::refresh(DescribeFill::Property property) {
    switch (property) {
    case DescribeFill::Property::words:
        if (field_->toPlainText().toStdString() != fill_.words()) field_->setPlainText(text(fill_.words()));
        showWorking();
        break;
    case DescribeFill::Property::working:
        showWorking();
        break;
    case DescribeFill::Property::notes:
        showNotes();
        break;
    case DescribeFill::Property::failure:
        showFailure();
        break;
    case DescribeFill::Property::availability:
        showAvailability();
        break;
    }
}

void DescribeCard::showAvailability() {
    const bool usable = fill_.usable();
    reason_->setText(text(fill_.unavailableReason()));
    reason_->setVisible(!usable);
    fieldBox_->setVisible(usable);
    actions_->setVisible(usable);
    showNotes();
    showFailure();
}

void DescribeCard::showWorking() {
    const bool working = fill_.working();
    spinner_->setVisible(working);
    button_->setText(working ? QStringLiteral("Thinking…") : QStringLiteral("Fill it in"));
    button_->setEnabled(fill_.canFill());
    // The sun button has no disabled look of its own; the effect is on only while it is disabled.
    button_->graphicsEffect()->setEnabled(!button_->isEnabled());
    button_->updateGeometry();
}

void DescribeCard::showNotes() {
    while (QLayoutItem* item = noteRows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const std::string& note : fill_.notes()) {
        noteRows_->addWidget(symbolRow("info.circle", text(note), Sky::inkSoft()));
    }
    notes_->setVisible(fill_.usable() && !fill_.notes().empty());
}

void DescribeCard::showFailure() {
    failureLabel_->setText(fill_.failure() ? text(*fill_.failure()) : QString());
    failure_->setVisible(fill_.usable() && fill_.failure().has_value());
}

void DescribeCard::fitField() {
    // Count the lines the text wraps to at the field's width; the field grows from 3 to 5 of them
    // and scrolls beyond.
    const qreal lineWidth = std::max(1, (width() > 0 ? width() : DescribeCard::formWidth) - 2 * (padding + fieldPadding));
    int lines = 0;
    for (QTextBlock block = field_->document()->begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), field_->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        int blockLines = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            ++blockLines;
        }
        layout.endLayout();
        lines += std::max(1, blockLines);
    }
    fieldBox_->setFixedHeight(fieldHeight(lines));
}

} // namespace ostrel::ui
