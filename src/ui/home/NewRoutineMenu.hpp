#pragma once

#include "ui/home/HomeContext.hpp"

#include <QWidget>

namespace ostrel::ui {

// PLACEHOLDER: replaced by the New routine menu.
class NewRoutineMenu : public QWidget {
    Q_OBJECT
public:
    NewRoutineMenu(const HomeContext& context, QWidget* parent = nullptr);
};

} // namespace ostrel::ui
