#pragma once

#include "ui/home/HomeContext.hpp"

#include <QWidget>

namespace ostrel::ui {

// PLACEHOLDER: replaced by the routines page.
class RoutinesPage : public QWidget {
    Q_OBJECT
public:
    RoutinesPage(const HomeContext& context, bool live, QWidget* parent = nullptr);
};

} // namespace ostrel::ui
