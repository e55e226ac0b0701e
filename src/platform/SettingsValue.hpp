#pragma once

#include "core/foundation/Date.hpp"

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace ostrel {

struct SettingsValue;

// A moment, kept apart from a plain number so that it reads back as a date.
struct SettingsDate {
    Date seconds = 0;
    bool operator==(const SettingsDate&) const = default;
};

// Bytes, kept apart from text so that they never read back as text.
struct SettingsData {
    std::vector<std::uint8_t> bytes;
    bool operator==(const SettingsData&) const = default;
};

using SettingsArray = std::vector<SettingsValue>;
using SettingsDictionary = std::map<std::string, SettingsValue, std::less<>>;

// One stored preference: text, a Boolean, a number (a double: integers are exact up to 2^53), a
// date, bytes, or an array or dictionary of such values.
struct SettingsValue {
    using Kind = std::variant<std::string, bool, double, SettingsDate, SettingsData, SettingsArray,
                              SettingsDictionary>;
    Kind value;

    SettingsValue() : value(std::string()) {}
    SettingsValue(std::string text) : value(std::move(text)) {}
    SettingsValue(const char* text) : value(std::string(text)) {}
    SettingsValue(bool boolean) : value(boolean) {}
    SettingsValue(double number) : value(number) {}
    SettingsValue(int number) : value(static_cast<double>(number)) {}
    SettingsValue(std::int64_t number) : value(static_cast<double>(number)) {}
    SettingsValue(SettingsDate date) : value(date) {}
    SettingsValue(SettingsData data) : value(std::move(data)) {}
    SettingsValue(SettingsArray array) : value(std::move(array)) {}
    SettingsValue(SettingsDictionary dictionary) : value(std::move(dictionary)) {}

    template <class T>
    const T* as() const {
        return std::get_if<T>(&value);
    }
};

bool operator==(const SettingsValue& left, const SettingsValue& right);

} // namespace ostrel
