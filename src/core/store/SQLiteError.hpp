#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ostrel {

// The error of every database failure: SQLite's result code (0 for rows of an unexpected shape)
// and a message. what() is its description, "SQLite error <code>: <message>".
class SQLiteError : public std::runtime_error {
public:
    SQLiteError(std::int32_t code, std::string message);

    std::int32_t code() const { return code_; }
    const std::string& message() const { return message_; }
    std::string description() const { return what(); }

private:
    std::int32_t code_;
    std::string message_;
};

} // namespace ostrel
