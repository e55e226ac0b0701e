#include "support/LogCapture.hpp"

namespace ostrel::test {

LogCapture::LogCapture(bool revealPrivate) : previousReveal_(Logger::revealsPrivateData()) {
    previous_ = Logger::setSink([this](const LogEntry& entry) {
        std::lock_guard guard(lock_);
        entries_.push_back(entry);
    });
    Logger::setRevealsPrivateData(revealPrivate);
}

LogCapture::~LogCapture() {
    Logger::setSink(std::move(previous_));
    Logger::setRevealsPrivateData(previousReveal_);
}

std::vector<LogEntry> LogCapture::entries() const {
    std::lock_guard guard(lock_);
    return entries_;
}

} // namespace ostrel::test
