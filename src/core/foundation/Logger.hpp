#pragma once

// The system log. Every component logs under the subsystem "Ostrel" with a category of its own
// ("observations", "triggers", ...). Messages are printf-style formats whose arguments arrive as
// text: "%s" and "%@" arguments are private unless written "%{public}s", other conversions are
// public unless written "%{private}d", and private arguments are shown as "<private>" unless
// private data has been revealed (a developer's choice, never the default).

#include <charconv>
#include <concepts>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

enum class LogLevel { debug, info, notice, error, fault };

std::string_view toString(LogLevel level);

// One argument of a message, already turned into text. Errors are written as what() says.
class LogArgument {
public:
    LogArgument(std::string_view text) : text_(text) {}
    LogArgument(const std::string& text) : text_(text) {}
    LogArgument(const char* text) : text_(text == nullptr ? "(null)" : text) {}
    LogArgument(const std::exception& error) : text_(error.what()) {}
    template <class T>
    requires(std::integral<T> || std::floating_point<T>) LogArgument(T number) {
        if constexpr (std::same_as<T, bool>) {
            text_ = number ? "true" : "false";
        } else {
            char buffer[32];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
            text_.assign(buffer, result.ptr);
        }
    }

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

struct LogEntry {
    LogLevel level = LogLevel::info;
    std::string subsystem;
    std::string category;
    std::string format;
    std::vector<std::string> arguments;
    // The format with its arguments filled in, private ones redacted unless private data is revealed.
    std::string message;
};

// Receives every entry; may be called from several threads at once.
using LogSink = std::function<void(const LogEntry&)>;

class Logger {
public:
    static constexpr std::string_view subsystem = "Ostrel";

    explicit Logger(std::string category) : category_(std::move(category)) {}

    const std::string& category() const { return category_; }

    void log(LogLevel level, std::string_view format, std::vector<LogArgument> arguments) const noexcept;

    template <class... Args>
    void debug(std::string_view format, const Args&... arguments) const noexcept {
        log(LogLevel::debug, format, {LogArgument(arguments)...});
    }
    template <class... Args>
    void info(std::string_view format, const Args&... arguments) const noexcept {
        log(LogLevel::info, format, {LogArgument(arguments)...});
    }
    template <class... Args>
    void notice(std::string_view format, const Args&... arguments) const noexcept {
        log(LogLevel::notice, format, {LogArgument(arguments)...});
    }
    template <class... Args>
    void error(std::string_view format, const Args&... arguments) const noexcept {
        log(LogLevel::error, format, {LogArgument(arguments)...});
    }
    template <class... Args>
    void fault(std::string_view format, const Args&... arguments) const noexcept {
        log(LogLevel::fault, format, {LogArgument(arguments)...});
    }

    // Replaces the process's sink and gives back the one it replaced. An empty sink drops entries.
    static LogSink setSink(LogSink sink);
    // The sink a process starts with: standard error when it is a terminal, otherwise syslog
    // (the journal on a desktop), each line "[category] message".
    static LogSink defaultSink();

    static void setRevealsPrivateData(bool reveals);
    static bool revealsPrivateData();

    // The format with the arguments filled in; private ones read "<private>" unless revealed.
    // A conversion without an argument reads "<missing>".
    static std::string render(std::string_view format, const std::vector<std::string>& arguments,
                              bool revealPrivate);

private:
    std::string category_;
};

} // namespace ostrel
