#include "core/foundation/UnicodeText.hpp"

#include <algorithm>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace ostrel {

namespace {

bool isASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

icu::UnicodeString decomposed(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (U_FAILURE(status)) {
        return source;
    }
    icu::UnicodeString result = nfd->normalize(source, status);
    return U_SUCCESS(status) ? result : source;
}

} // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    // Plain ASCII is its own normal form, so differing bytes mean differing text.
    if (isASCII(a) && isASCII(b)) {
        return false;
    }
    return decomposed(a) == decomposed(b);
}

bool canonicallyEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return canonicallyEqual(*a, *b);
}

} // namespace ostrel
