#pragma once

#include "core/foundation/Logger.hpp"

#include <mutex>
#include <vector>

namespace ostrel::test {

// Collects every log entry while it lives, in place of the process's sink; restores that sink and
// the private-data setting on destruction. Entries may arrive from any thread.
class LogCapture {
public:
    explicit LogCapture(bool revealPrivate = false);
    ~LogCapture();

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogEntry> entries() const;

private:
    mutable std::mutex lock_;
    std::vector<LogEntry> entries_;
    LogSink previous_;
    bool previousReveal_;
};

} // namespace ostrel::test
