#include "core/foundation/Logger.hpp"

#include <cstdio>
#include <mutex>
#include <syslog.h>
#include <unistd.h>

namespace ostrel {

namespace {

struct LogState {
    std::mutex lock;
    LogSink sink = Logger::defaultSink();
    bool revealsPrivate = false;
};

LogState& state() {
    static LogState instance;
    return instance;
}

int syslogPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return LOG_DEBUG;
    case LogLevel::info:
        return LOG_INFO;
    case LogLevel::notice:
        return LOG_NOTICE;
    case LogLevel::error:
        return LOG_ERR;
    case LogLevel::fault:
        return LOG_CRIT;
    }
    return LOG_NOTICE;
}

void writeToSyslog(const LogEntry& entry) {
    static std::once_flag opened;
    std::call_once(opened, [] {
        static const std::string ident(Logger::subsystem);
        ::openlog(ident.c_str(), LOG_PID, LOG_USER);
    });
    ::syslog(syslogPriority(entry.level), "[%s] %s", entry.category.c_str(), entry.message.c_str());
}

void writeToStandardError(const LogEntry& entry) {
    std::string line;
    line.reserve(entry.subsystem.size() + entry.category.size() + entry.message.size() + 16);
    line += entry.subsystem;
    line += " [";
    line += entry.category;
    line += "] ";
    line += toString(entry.level);
    line += ": ";
    line += entry.message;
    line += '\n';
    // One write per line, so lines from several threads do not interleave.
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace

std::string_view toString(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return "debug";
    case LogLevel::info:
        return "info";
    case LogLevel::notice:
        return "notice";
    case LogLevel::error:
        return "error";
    case LogLevel::fault:
        return "fault";
    }
    return "notice";
}

LogSink Logger::defaultSink() {
    if (::isatty(STDERR_FILENO) == 1) {
        return writeToStandardError;
    }
    return writeToSyslog;
}

LogSink Logger::setSink(LogSink sink) {
    LogState& shared = state();
    std::lock_guard guard(shared.lock);
    std::swap(shared.sink, sink);
    return sink;
}

void Logger::setRevealsPrivateData(bool reveals) {
    LogState& shared = state();
    std::lock_guard guard(shared.lock);
    shared.revealsPrivate = reveals;
}

bool Logger::revealsPrivateData() {
    LogState& shared = state();
    std::lock_guard guard(shared.lock);
    return shared.revealsPrivate;
}

std::string Logger::render(std::string_view format, const std::vector<std::string>& arguments,
                           bool revealPrivate) {
    std::string out;
    out.reserve(format.size() + 32);
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        std::size_t j = i + 1;
        std::string_view privacy;
        if (j < format.size() && format[j] == '{') {
            const std::size_t close = format.find('}', j);
            if (close == std::string_view::npos) {
                out.append(format.substr(i));
                break;
            }
            privacy = format.substr(j + 1, close - j - 1);
            j = close + 1;
        }
        // Flags, width, precision and length modifiers carry nothing for text already made.
        while (j < format.size() &&
               std::string_view("-+ #0123456789.hlqjztL").find(format[j]) != std::string_view::npos) {
            ++j;
        }
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char conversion = format[j];
        bool isPrivate = conversion == 's' || conversion == '@';
        if (privacy.starts_with("public")) {
            isPrivate = false;
        } else if (privacy.starts_with("private")) {
            isPrivate = true;
        }
        if (next >= arguments.size()) {
            out += "<missing>";
        } else if (isPrivate && !revealPrivate) {
            out += "<private>";
        } else {
            out += arguments[next];
        }
        ++next;
        i = j + 1;
    }
    return out;
}

void Logger::log(LogLevel level, std::string_view format, std::vector<LogArgument> arguments) const noexcept {
    try {
        LogSink sink;
        bool reveal = false;
        {
            LogState& shared = state();
            std::lock_guard guard(shared.lock);
            sink = shared.sink;
            reveal = shared.revealsPrivate;
        }
        if (!sink) {
            return;
        }
        LogEntry entry;
        entry.level = level;
        entry.subsystem = subsystem;
        entry.category = category_;
        entry.format = format;
        entry.arguments.reserve(arguments.size());
        for (LogArgument& argument : arguments) {
            entry.arguments.push_back(argument.text());
        }
        entry.message = render(format, entry.arguments, reveal);
        sink(entry);
    } catch (...) {
        // Logging never takes its caller down.
    }
}

} // namespace ostrel
