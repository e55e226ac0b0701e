#pragma once

// The one JSON codec of the core. Documents are nlohmann::json values (objects keep their keys in
// byte order, so every object encodes with sorted keys); encode() writes them the way stored
// records must look, and ObjectReader/ObjectWriter give every record the same strict rules.

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace ostrel::json {

using Value = nlohmann::json;

class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct EncodeOptions {
    bool pretty = false;        // two-space indent, one key a line, " : " between key and value
    bool escapeSlashes = false; // write "/" as "\/"
};

// Compact (or pretty) text with keys in byte order, integral doubles without ".0" (1440.0 writes
// 1440; -0.0 writes -0.0 so that it reads back with its sign), others in their shortest round-trip form. Throws EncodingError for a
// non-finite number or text that is not UTF-8.
std::string encode(const Value& value, EncodeOptions options = {});

// Strict RFC 8259 parsing. Throws DecodingError.
Value parse(std::string_view text);

// ---- Decoding values ------------------------------------------------------------------------

// A record type decodes itself with `static T fromJSON(const Value&)` and encodes itself with
// `Value toJSON() const`.
template <class T>
concept DecodableRecord = requires(const Value& value) {
    { T::fromJSON(value) } -> std::same_as<T>;
};
template <class T>
concept EncodableRecord = requires(const T& record) {
    { record.toJSON() } -> std::convertible_to<Value>;
};

namespace detail {
[[noreturn]] void wrongType(const Value& value, const char* expected);
std::int64_t toInt64(const Value& value);
double toDouble(const Value& value);
} // namespace detail

// No coercion between kinds: a bool is never a number, a number never a string. An integral float
// reads as an integer (as the system's decoder allows) and an integer reads as a double.
template <class T>
T decodeValue(const Value& value);

template <class T>
struct Decoder;

template <>
struct Decoder<bool> {
    static bool decode(const Value& value) {
        if (!value.is_boolean()) {
            detail::wrongType(value, "a boolean");
        }
        return value.get<bool>();
    }
};

template <std::integral T>
requires(!std::same_as<T, bool>) struct Decoder<T> {
    static T decode(const Value& value) {
        const std::int64_t wide = detail::toInt64(value);
        if (!std::in_range<T>(wide)) {
            throw DecodingError("number " + value.dump() + " is out of range");
        }
        return static_cast<T>(wide);
    }
};

template <>
struct Decoder<double> {
    static double decode(const Value& value) { return detail::toDouble(value); }
};

template <>
struct Decoder<std::string> {
    static std::string decode(const Value& value) {
        if (!value.is_string()) {
            detail::wrongType(value, "a string");
        }
        return value.get<std::string>();
    }
};

template <class T>
struct Decoder<std::vector<T>> {
    static std::vector<T> decode(const Value& value) {
        if (!value.is_array()) {
            detail::wrongType(value, "an array");
        }
        std::vector<T> result;
        result.reserve(value.size());
        for (const Value& element : value) {
            result.push_back(decodeValue<T>(element));
        }
        return result;
    }
};

template <class T, class Compare>
struct Decoder<std::map<std::string, T, Compare>> {
    static std::map<std::string, T, Compare> decode(const Value& value) {
        if (!value.is_object()) {
            detail::wrongType(value, "an object");
        }
        std::map<std::string, T, Compare> result;
        for (const auto& [key, element] : value.items()) {
            result.emplace(key, decodeValue<T>(element));
        }
        return result;
    }
};

template <DecodableRecord T>
struct Decoder<T> {
    static T decode(const Value& value) { return T::fromJSON(value); }
};

template <class T>
T decodeValue(const Value& value) {
    return Decoder<T>::decode(value);
}

// Reads the keys of one JSON object. Unknown keys are ignored; null counts as absent.
class ObjectReader {
public:
    // Throws DecodingError when value is not an object.
    explicit ObjectReader(const Value& value);

    bool has(std::string_view key) const;

    // Throws DecodingError when the key is missing or null, or its value has the wrong type.
    template <class T>
    T required(std::string_view key) const {
        const Value* value = find(key);
        if (value == nullptr) {
            throw DecodingError("missing key \"" + std::string(key) + "\"");
        }
        return decodeAt<T>(key, *value);
    }

    // Missing or null gives nothing; a wrong type still throws DecodingError.
    template <class T>
    std::optional<T> optional(std::string_view key) const {
        const Value* value = find(key);
        if (value == nullptr) {
            return std::nullopt;
        }
        return decodeAt<T>(key, *value);
    }

    // Missing or null gives fallback.
    template <class T>
    T value(std::string_view key, T fallback) const {
        return optional<T>(key).value_or(std::move(fallback));
    }

private:
    const Value* find(std::string_view key) const;

    template <class T>
    T decodeAt(std::string_view key, const Value& value) const {
        try {
            return decodeValue<T>(value);
        } catch (const DecodingError& error) {
            throw DecodingError("\"" + std::string(key) + "\": " + error.what());
        }
    }

    const Value& object_;
};

// ---- Encoding values ------------------------------------------------------------------------

template <class T>
Value encodeValue(const T& value);

template <class T>
struct Encoder {
    static Value encode(const T& value) { return Value(value); }
};

template <EncodableRecord T>
struct Encoder<T> {
    static Value encode(const T& record) { return record.toJSON(); }
};

template <class T>
struct Encoder<std::vector<T>> {
    static Value encode(const std::vector<T>& values) {
        Value array = Value::array();
        for (const T& value : values) {
            array.push_back(encodeValue(value));
        }
        return array;
    }
};

template <class T, class Compare>
struct Encoder<std::map<std::string, T, Compare>> {
    static Value encode(const std::map<std::string, T, Compare>& values) {
        Value object = Value::object();
        for (const auto& [key, value] : values) {
            object[key] = encodeValue(value);
        }
        return object;
    }
};

template <class T>
Value encodeValue(const T& value) {
    return Encoder<T>::encode(value);
}

// Builds one JSON object; an absent optional leaves its key out, never writes null.
class ObjectWriter {
public:
    template <class T>
    ObjectWriter& set(const std::string& key, const T& value) {
        object_[key] = encodeValue(value);
        return *this;
    }
    template <class T>
    ObjectWriter& set(const std::string& key, const std::optional<T>& value) {
        if (value) {
            object_[key] = encodeValue(*value);
        }
        return *this;
    }
    ObjectWriter& set(const std::string& key, const char* value) {
        object_[key] = std::string(value);
        return *this;
    }
    Value done() { return std::move(object_); }
    const Value& value() const { return object_; }

private:
    Value object_ = Value::object();
};

// ---- Enumerations with values ----------------------------------------------------------------

// An enumeration whose cases carry values is one object with a single member named after the case;
// its value is an object of the case's values under their labels ("_0", "_1" ... for unlabelled
// ones), empty for a case without values: {"left":{}}, {"app":{"_0":"com.apple.Notes"}}.
Value caseObject(const std::string& name, Value values = Value::object());

struct CaseMember {
    std::string_view name; // one of the names asked for
    ObjectReader values;   // the case's values
};

// Finds the case of such an object among caseNames; members with other names are ignored. Throws
// DecodingError when value is not an object, when it names no case or more than one ("Invalid
// number of keys found, expected one."), or when the case's value is not an object (null
// included). The result refers into value.
CaseMember readCase(const Value& value, std::initializer_list<std::string_view> caseNames);

// ---- Whole records ---------------------------------------------------------------------------

template <EncodableRecord T>
std::string encodeRecord(const T& record, EncodeOptions options = {}) {
    return encode(record.toJSON(), options);
}

// Throws DecodingError.
template <DecodableRecord T>
T decodeRecord(std::string_view text) {
    return T::fromJSON(parse(text));
}

// Gives nothing when the text does not decode.
template <DecodableRecord T>
std::optional<T> tryDecodeRecord(std::string_view text) noexcept {
    try {
        return T::fromJSON(parse(text));
    } catch (const DecodingError&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace ostrel::json
