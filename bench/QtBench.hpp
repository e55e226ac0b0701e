#pragma once

#include "Timing.hpp"

#include <QApplication>

#include <cstdlib>
#include <functional>

namespace ostrel::bench {

// Runs the benchmarks of a program that draws with Qt's widgets, on the offscreen platform, so no
// display is ever touched: the windows are painted into images.
inline int runQtBenchmarks(int argc, char** argv, std::function<void()> summary) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    return runBenchmarks(argc, argv, std::move(summary));
}

} // namespace ostrel::bench
