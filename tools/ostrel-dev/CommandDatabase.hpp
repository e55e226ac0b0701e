#pragma once

#include "ScratchFolder.hpp"
#include "core/foundation/Logger.hpp"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

namespace ostrel::dev {

// The database a simulating command writes: the file --db names, else one in a scratch folder of
// its own that goes when the command ends.
class CommandDatabase {
public:
    CommandDatabase(const std::optional<std::string>& named, const std::string& scratchPrefix) {
        if (named) {
            path_ = *named;
        } else {
            scratch_.emplace(std::filesystem::temp_directory_path(), scratchPrefix);
            path_ = scratch_->path() / "quev.sqlite";
        }
    }

    const std::filesystem::path& path() const { return path_; }

private:
    std::optional<ScratchFolder> scratch_;
    std::filesystem::path path_;
};

// While it lives, log lines go to stderr as "[category] message", so a command's output stays
// rows alone; lines below least are dropped (a long simulation's debug lines would bury its
// errors).
class LogToStderr {
public:
    explicit LogToStderr(LogLevel least = LogLevel::debug)
        : previous_(Logger::setSink([least](const LogEntry& entry) {
              if (entry.level >= least) {
                  std::cerr << "[" << entry.category << "] " << entry.message << '\n';
              }
          })) {}
    ~LogToStderr() { Logger::setSink(std::move(previous_)); }

    LogToStderr(const LogToStderr&) = delete;
    LogToStderr& operator=(const LogToStderr&) = delete;

private:
    LogSink previous_;
};

} // namespace ostrel::dev
