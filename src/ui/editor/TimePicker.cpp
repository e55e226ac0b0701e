#include "ui/editor/TimePicker.hpp"

#include "app/editor/Wording.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace ostrel::ui {

namespace {

constexpr const char* dayProperty = "ostrelWeekday";

// A round day button: filled blue with white text when the day is on.
class DayButton : public QAbstractButton {
public:
    DayButton(const QString& letter, std::int64_t day, QWidget* parent) : QAbstractButton(parent) {
        setText(letter);
        setProperty(dayProperty, static_cast<qlonglong>(day));
        setFont(Fonts::font(13, Fonts::Weight::bold));
        setFixedSize(28, 28);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isChecked() ? Sky::button() : Sky::horizon());
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(isChecked() ? QColor(Qt::white) : Sky::ink());
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
    // The owner decides whether a day is on.
    void nextCheckState() override {}
};

} // namespace

TimePicker::TimePicker(const Cue::Time& cue, const Calendar& calendar, Changed changed, QWidget* parent)
    : QWidget(parent), choice_(cue), changed_(std::move(changed)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* timeRow = new QHBoxLayout;
    QLabel* label = plainLabel(Fonts::font(14, Fonts::Weight::regular), Sky::ink(), this);
    label->setText("Time");
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat("HH:mm");
    time_->setFont(Fonts::font(14, Fonts::Weight::regular));
    const std::int64_t minute = ((cue.minute % 1440) + 1440) % 1440;
    time_->setTime(QTime(static_cast<int>(minute / 60), static_cast<int>(minute % 60)));
    label->setBuddy(time_);
    connect(time_, &QTimeEdit::timeChanged, this, [this](QTime time) {
        if (changed_) {
            changed_(choice_.setTime(time.hour(), time.minute()));
        }
    });
    timeRow->addWidget(label);
    timeRow->addWidget(time_);
    timeRow->addStretch();
    column->addLayout(timeRow);

    auto* dayRow = new QHBoxLayout;
    dayRow->setSpacing(5);
    for (const int day : Wording::weekdayOrder) {
        auto* button = new DayButton(QString::fromStdString(Wording::veryShortWeekday(day, calendar)), day, this);
        button->setAccessibleName(QString::fromStdString(Wording::shortWeekday(day, calendar)));
        button->setChecked(choice_.isOn(day));
        connect(button, &QAbstractButton::clicked, this, [this, day] { toggle(day); });
        dayRow->addWidget(button);
        days_.push_back(button);
    }
    column->addLayout(dayRow);
}

void TimePicker::paintEvent(QPaintEvent*) {
    // A white card with a faint blue edge, rounded like the chips it opens from.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Sky::faded(Sky::button(), 0.3), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(card, 14, 14);
}

std::int64_t TimePicker::dayOf(const QAbstractButton* button) {
    return button->property(dayProperty).toLongLong();
}

void TimePicker::toggle(std::int64_t day) {
    const Cue::Time cue = choice_.toggle(day);
    for (QAbstractButton* button : days_) {
        button->setChecked(choice_.isOn(dayOf(button)));
    }
    if (changed_) {
        changed_(cue);
    }
}

} // namespace ostrel::ui
