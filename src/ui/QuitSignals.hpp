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
// Make it on the main thread after the QCoreApplication and before any other thread starts: a
// thread inherits the signal mask it is started with, and a thread started earlier would still
// take the signal and die of it. Destruction restores the signal mask the thread had before.
class QuitSignals {
public:
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
