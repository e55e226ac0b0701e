#include "ui/QuitSignals.hpp"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace ostrel::ui {

namespace {

sigset_t quitSignals() {
    sigset_t quitting;
    sigemptyset(&quitting);
    sigaddset(&quitting, SIGINT);
    sigaddset(&quitting, SIGTERM);
    return quitting;
}

} // namespace

void QuitSignals::block() {
    const sigset_t quitting = quitSignals();
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &quitting, nullptr); error != 0) {
        throw std::system_error(error, std::generic_category(), "Couldn't block the quit signals");
    }
}

QuitSignals::QuitSignals(std::function<void(int signal)> quit) : quit_(std::move(quit)) {
    const sigset_t quitting = quitSignals();
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &quitting, &previousMask_); error != 0) {
        throw std::system_error(error, std::generic_category(), "Couldn't block the quit signals");
    }
    fd_ = ::signalfd(-1, &quitting, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) {
        const int error = errno;
        ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        throw std::system_error(error, std::generic_category(), "Couldn't read the quit signals");
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readSignals(); });
}

QuitSignals::~QuitSignals() {
    notifier_.reset();
    ::close(fd_);
    ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void QuitSignals::readSignals() {
    for (;;) {
        signalfd_siginfo info{};
        const ssize_t size = ::read(fd_, &info, sizeof info);
        if (size != static_cast<ssize_t>(sizeof info)) {
            if (size < 0 && errno == EINTR) {
                continue;
            }
            return; // EAGAIN: every pending signal has been read
        }
        if (quit_) {
            quit_(static_cast<int>(info.ssi_signo));
        }
    }
}

} // namespace ostrel::ui
