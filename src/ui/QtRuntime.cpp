#include "ui/QtRuntime.hpp"

#include <memory>

namespace ostrel::ui {

QtRuntime::QtRuntime()
    : runtime_([](const Clock& clock) { return std::make_unique<QtExecutor>("main", clock); }) {}

} // namespace ostrel::ui
