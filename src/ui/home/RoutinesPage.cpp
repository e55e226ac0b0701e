#include "ui/home/RoutinesPage.hpp"

namespace ostrel::ui {

RoutinesPage::RoutinesPage(const HomeContext&, bool, QWidget* parent) : QWidget(parent) {}

} // namespace ostrel::ui
