#pragma once

#ifndef Q_MOC_RUN
#include "app/home/TimeTexts.hpp"
#endif
#include "ui/theme/SkyTabs.hpp"

namespace ostrel::ui {

// The time page's choice of span: "Today" and "This week" as the Home window's tab bar draws its
// tabs, in the look for a pale card. A click on the other span selects it and tells spanChosen; a
// click on the span shown changes nothing.
//
// Threading: the GUI thread only.
class SpanPicker : public SkyTabs {
    Q_OBJECT
public:
    explicit SpanPicker(QWidget* parent = nullptr);

    TimeSpan span() const;
    // Shows span as chosen, without telling.
    void setSpan(TimeSpan span);

Q_SIGNALS:
    void spanChosen(ostrel::TimeSpan span);
};

} // namespace ostrel::ui
