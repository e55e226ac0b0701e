#pragma once

// Text across the ICU boundary: our UTF-8 strings to ICU's UTF-16 and back.

#include <cstdint>
#include <string>
#include <string_view>

#include <unicode/datefmt.h>
#include <unicode/unistr.h>

namespace ostrel::icuText {

inline icu::UnicodeString fromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

inline std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

// A moment (seconds since 1970) in a date format, as UTF-8.
inline std::string formatted(const icu::DateFormat& format, double seconds) {
    icu::UnicodeString text;
    format.format(seconds * 1000.0, text);
    return toUtf8(text);
}

} // namespace ostrel::icuText
