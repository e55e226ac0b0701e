#include "ui/home/NewRoutineMenu.hpp"

namespace ostrel::ui {

NewRoutineMenu::NewRoutineMenu(const HomeContext&, QWidget* parent) : QWidget(parent) {}

} // namespace ostrel::ui
