#pragma once

#include "ui/home/HomeContext.hpp"

#include <QWidget>

namespace ostrel::ui {

// PLACEHOLDER: replaced by the time page.
class TimePage : public QWidget {
    Q_OBJECT
public:
    enum class Span { today, week };
    TimePage(const HomeContext& context, bool live, QWidget* parent = nullptr);
    void setSpan(Span span) { span_ = span; }

private:
    Span span_ = Span::today;
};

} // namespace ostrel::ui
