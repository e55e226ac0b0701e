#include "core/foundation/Json.hpp"

#include "core/foundation/Utf8.hpp"

#include <charconv>
#include <cmath>

namespace ostrel::json {

namespace {

class Writer {
public:
    explicit Writer(EncodeOptions options) : options_(options) {}

    void write(const Value& value, int depth) {
        switch (value.type()) {
        case Value::value_t::null:
            out_ += "null";
            break;
        case Value::value_t::boolean:
            out_ += value.get<bool>() ? "true" : "false";
            break;
        case Value::value_t::number_integer:
            appendNumber(value.get<std::int64_t>());
            break;
        case Value::value_t::number_unsigned:
            appendNumber(value.get<std::uint64_t>());
            break;
        case Value::value_t::number_float:
            writeDouble(value.get<double>());
            break;
        case Value::value_t::string:
            writeString(value.get_ref<const std::string&>());
            break;
        case Value::value_t::array:
            writeArray(value, depth);
            break;
        case Value::value_t::object:
            writeObject(value, depth);
            break;
        case Value::value_t::binary:
        case Value::value_t::discarded:
            throw EncodingError("value has no JSON form");
        }
    }

    std::string take() { return std::move(out_); }

private:
    template <class N>
    void appendNumber(N number) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        out_.append(buffer, result.ptr);
    }

    void writeDouble(double number) {
        if (!std::isfinite(number)) {
            throw EncodingError("non-finite number cannot be encoded");
        }
        // Shortest round-trip text; integral values come out without a fraction ("1440", "-0").
        appendNumber(number);
    }

    void writeString(const std::string& text) {
        if (!isValidUtf8(text)) {
            throw EncodingError("text is not valid UTF-8");
        }
        out_ += '"';
        for (const char c : text) {
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '/':
                out_ += options_.escapeSlashes ? "\\/" : "/";
                break;
            case '\b':
                out_ += "\\b";
                break;
            case '\f':
                out_ += "\\f";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char hex[] = "0123456789abcdef";
                    out_ += "\\u00";
                    out_ += hex[(c >> 4) & 0xF];
                    out_ += hex[c & 0xF];
                } else {
                    out_ += c;
                }
            }
        }
        out_ += '"';
    }

    void newline(int depth) {
        if (options_.pretty) {
            out_ += '\n';
            out_.append(static_cast<std::size_t>(depth) * 2, ' ');
        }
    }

    void writeArray(const Value& array, int depth) {
        if (array.empty()) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        bool first = true;
        for (const Value& element : array) {
            if (!first) {
                out_ += ',';
            }
            first = false;
            newline(depth + 1);
            write(element, depth + 1);
        }
        newline(depth);
        out_ += ']';
    }

    void writeObject(const Value& object, int depth) {
        if (object.empty()) {
            out_ += "{}";
            return;
        }
        out_ += '{';
        bool first = true;
        // nlohmann's objects are std::maps: iteration is already in byte order of the keys.
        for (const auto& [key, element] : object.items()) {
            if (!first) {
                out_ += ',';
            }
            first = false;
            newline(depth + 1);
            writeString(key);
            out_ += options_.pretty ? " : " : ":";
            write(element, depth + 1);
        }
        newline(depth);
        out_ += '}';
    }

    EncodeOptions options_;
    std::string out_;
};

const char* typeName(const Value& value) {
    switch (value.type()) {
    case Value::value_t::null:
        return "null";
    case Value::value_t::boolean:
        return "a boolean";
    case Value::value_t::number_integer:
    case Value::value_t::number_unsigned:
    case Value::value_t::number_float:
        return "a number";
    case Value::value_t::string:
        return "a string";
    case Value::value_t::array:
        return "an array";
    case Value::value_t::object:
        return "an object";
    default:
        return "an unknown value";
    }
}

} // namespace

std::string encode(const Value& value, EncodeOptions options) {
    Writer writer(options);
    writer.write(value, 0);
    return writer.take();
}

Value parse(std::string_view text) {
    // The parser takes a NUL byte for the end of the input and would accept whatever follows it.
    // JSON allows none anywhere, not even inside a string.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        throw DecodingError("not valid JSON: NUL byte at offset " + std::to_string(nul));
    }
    try {
        return Value::parse(text.begin(), text.end());
    } catch (const Value::exception& error) {
        throw DecodingError(std::string("not valid JSON: ") + error.what());
    }
}

namespace detail {

void wrongType(const Value& value, const char* expected) {
    throw DecodingError(std::string("expected ") + expected + ", found " + typeName(value));
}

std::int64_t toInt64(const Value& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            throw DecodingError("number " + value.dump() + " is out of range");
        }
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^63 is exactly representable; anything at or past it does not fit.
        if (std::isfinite(number) && std::trunc(number) == number && number >= -9223372036854775808.0 &&
            number < 9223372036854775808.0) {
            return static_cast<std::int64_t>(number);
        }
        throw DecodingError("number " + value.dump() + " is not an integer");
    }
    wrongType(value, "an integer");
}

double toDouble(const Value& value) {
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number)) {
            throw DecodingError("number is out of range");
        }
        return number;
    }
    if (value.is_number_integer()) {
        return value.is_number_unsigned() ? static_cast<double>(value.get<std::uint64_t>())
                                          : static_cast<double>(value.get<std::int64_t>());
    }
    wrongType(value, "a number");
}

} // namespace detail

ObjectReader::ObjectReader(const Value& value) : object_(value) {
    if (!value.is_object()) {
        detail::wrongType(value, "an object");
    }
}

const Value* ObjectReader::find(std::string_view key) const {
    const auto found = object_.find(key);
    if (found == object_.end() || found->is_null()) {
        return nullptr;
    }
    return &*found;
}

bool ObjectReader::has(std::string_view key) const {
    return find(key) != nullptr;
}

Value caseObject(const std::string& name, Value values) {
    Value object = Value::object();
    object[name] = std::move(values);
    return object;
}

CaseMember readCase(const Value& value, std::initializer_list<std::string_view> caseNames) {
    if (!value.is_object()) {
        detail::wrongType(value, "an object");
    }
    // A member counts by its name alone, also when its value is null.
    const Value* found = nullptr;
    std::string_view foundName;
    std::size_t count = 0;
    for (const std::string_view name : caseNames) {
        if (const auto member = value.find(name); member != value.end()) {
            ++count;
            found = &*member;
            foundName = name;
        }
    }
    if (count != 1) {
        throw DecodingError("Invalid number of keys found, expected one.");
    }
    try {
        return {foundName, ObjectReader(*found)};
    } catch (const DecodingError& error) {
        throw DecodingError("\"" + std::string(foundName) + "\": " + error.what());
    }
}

} // namespace ostrel::json
