#include "ui/home/TimePage.hpp"

namespace ostrel::ui {

TimePage::TimePage(const HomeContext&, bool, QWidget* parent) : QWidget(parent) {}

} // namespace ostrel::ui
