#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <variant>

namespace ostrel {

// One sound setting of the computer.
struct Setting {
    struct Output { // the default output device, by its UID
        std::string deviceUID;
    };
    struct Volume { // as the audio payload reports it
        double volume = 0;
    };
    struct Muted {
        bool muted = false;
    };
    std::variant<Output, Volume, Muted> value;

    // Same case with equal values: text as Unicode text, volumes as numbers (so NaN is unequal).
    friend bool operator==(const Setting& a, const Setting& b);
    std::size_t hash() const;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::Setting> {
    std::size_t operator()(const ostrel::Setting& setting) const { return setting.hash(); }
};
