#pragma once

#include "core/foundation/Text.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <variant>

namespace ostrel {

// One sound setting of the computer.
struct Setting {
    // Text compares as Unicode text, volumes as numbers (so NaN is unequal).
    struct Output { // the default output device, by its UID
        std::string deviceUID;
        friend bool operator==(const Output& a, const Output& b) {
            return text::equal(a.deviceUID, b.deviceUID);
        }
    };
    struct Volume { // as the audio payload reports it
        double volume = 0;
        friend bool operator==(const Volume&, const Volume&) = default;
    };
    struct Muted {
        bool muted = false;
        friend bool operator==(const Muted&, const Muted&) = default;
    };
    std::variant<Output, Volume, Muted> value;

    friend bool operator==(const Setting& a, const Setting& b) { return a.value == b.value; }
    std::size_t hash() const;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::Setting> {
    std::size_t operator()(const ostrel::Setting& setting) const { return setting.hash(); }
};
