#pragma once

// Text across the ICU boundary: our UTF-8 strings to ICU's UTF-16 and back.

#include <cstdint>
#include <string>
#include <string_view>

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

} // namespace ostrel::icuText
