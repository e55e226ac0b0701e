#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace ostrel {

// One statement argument or result column: integer, real, text or null. There is no blob case;
// booleans travel as integer 1 or 0.
class SQLValue {
public:
    enum class Kind { integer, real, text, null };

    SQLValue() : storage_(std::monostate{}) {}
    SQLValue(std::nullptr_t) : storage_(std::monostate{}) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) SQLValue(T value) : storage_(static_cast<std::int64_t>(value)) {}
    SQLValue(double value) : storage_(value) {}
    SQLValue(std::string value) : storage_(std::move(value)) {}
    SQLValue(const char* value) : storage_(std::string(value)) {}

    static SQLValue integer(std::int64_t value) { return SQLValue(value); }
    static SQLValue real(double value) { return SQLValue(value); }
    static SQLValue text(std::string value) { return SQLValue(std::move(value)); }
    static SQLValue null() { return SQLValue(); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isNull() const { return kind() == Kind::null; }

    // Each accessor gives the payload only when the value is of that case.
    std::optional<std::int64_t> integerValue() const;
    std::optional<double> realValue() const;
    const std::string* textValue() const { return std::get_if<std::string>(&storage_); }
    std::string* textValue() { return std::get_if<std::string>(&storage_); }

    // Same case and equal payloads; reals compare as floating-point numbers.
    friend bool operator==(const SQLValue&, const SQLValue&) = default;

private:
    // Order matches Kind.
    std::variant<std::int64_t, double, std::string, std::monostate> storage_;
};

using SQLRow = std::vector<SQLValue>;

} // namespace ostrel
