#include "core/foundation/Graphemes.hpp"

#include <cstdint>
#include <memory>
#include <stdexcept>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace ostrel {

namespace {

// Making a break iterator loads rules; each thread keeps one and only resets its text.
icu::BreakIterator& characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !made) {
            throw std::runtime_error(std::string("no grapheme break iterator: ") + u_errorName(status));
        }
        return made;
    }();
    return *iterator;
}

} // namespace

std::vector<std::string_view> graphemeClusters(std::string_view utf8) {
    std::vector<std::string_view> clusters;
    if (utf8.empty()) {
        return clusters;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* text = utext_openUTF8(nullptr, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("cannot read text: ") + u_errorName(status));
    }
    icu::BreakIterator& iterator = characterIterator();
    iterator.setText(text, status);
    if (U_FAILURE(status)) {
        utext_close(text);
        throw std::runtime_error(std::string("cannot read text: ") + u_errorName(status));
    }
    // Break positions are native (UTF-8 byte) indexes of the UText.
    std::int32_t start = iterator.first();
    for (std::int32_t end = iterator.next(); end != icu::BreakIterator::DONE; end = iterator.next()) {
        clusters.push_back(
            utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
        start = end;
    }
    // The iterator must not keep pointing at the caller's bytes once they may be gone.
    static const icu::UnicodeString nothing;
    iterator.setText(nothing);
    utext_close(text);
    return clusters;
}

bool isNumericCharacter(std::string_view character) {
    if (character.empty()) {
        return false;
    }
    std::int32_t offset = 0;
    UChar32 first = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(character.data()), offset,
            static_cast<std::int32_t>(character.size()), first);
    return first >= 0 && u_getIntPropertyValue(first, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

} // namespace ostrel
