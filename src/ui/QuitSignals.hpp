#pragma once

#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <memory>

namespace ostrel::ui {

// SIGINT and SIGTERM as a callback on the Qt main loop, so that a quit from the terminal or the
// session runs the same orderly shutdown as the menu's Quit. The signals are blocked and read
// through a signalfd, so no code runs in a signal handler.
//
// A thread inherits the signal mask it starts with, and a thread that left the signals unblocked
// would take one and the process would die of it. So call block() first thing in main, before any
// thread starts, the QApplication's own included (the desktop connection reads on a thread of its
// own); then make QuitSignals on the main thread once the QApplication exists. Destruction puts
// back the signal mask the thread had before it was made.
class QuitSignals {
public:
    // Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it starts later.
    static void block();

    explicit QuitSignals(std::function<void(int signal)> quit);
    ~QuitSignals();

    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    void readSignals();

    std::function<void(int signal)> quit_;
    sigset_t previousMask_{};
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace ostrel::ui
