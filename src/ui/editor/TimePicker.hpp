#pragma once

// moc cannot read the core's headers (concepts); it needs none of their names.
#ifndef Q_MOC_RUN
#include "app/editor/TimeChoice.hpp"
#endif


#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;
class QTimeEdit;

namespace ostrel {
class Calendar;
}

namespace ostrel::ui {

// The time cue's picker, shown in a pop-up under its chip: a "Time" field of hours and minutes and
// seven round day buttons, Monday first and Sunday last whatever the locale, lettered with the
// calendar locale's narrowest weekday names. Every change hands the cue to write to `changed` at
// once (TimeChoice says how the days are ordered); the picker keeps its own state while it is open.
//
// Threading: the GUI thread only.
class TimePicker : public QWidget {
    Q_OBJECT
public:
    using Changed = std::function<void(const Cue::Time&)>;

    TimePicker(const Cue::Time& cue, const Calendar& calendar, Changed changed, QWidget* parent = nullptr);

    QTimeEdit* time() const { return time_; }
    // The day buttons in the order shown; dayOf() gives each one's weekday (1 = Sunday).
    const std::vector<QAbstractButton*>& days() const { return days_; }
    static std::int64_t dayOf(const QAbstractButton* button);
    const TimeChoice& choice() const { return choice_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void toggle(std::int64_t day);

    TimeChoice choice_;
    Changed changed_;
    QTimeEdit* time_;
    std::vector<QAbstractButton*> days_;
};

} // namespace ostrel::ui
