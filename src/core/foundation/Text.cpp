#include "core/foundation/Text.hpp"

#include "core/foundation/Utf8.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel::text {

namespace {

icu::StringPiece piece(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw std::length_error("text too long for Unicode processing");
    }
    return icu::StringPiece(text.data(), static_cast<int32_t>(text.size()));
}

const icu::Normalizer2& nfc() {
    static const icu::Normalizer2* const instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
        if (U_FAILURE(status) || normalizer == nullptr) {
            throw std::runtime_error(std::string("Unicode normalisation data unavailable: ") +
                                     u_errorName(status));
        }
        return normalizer;
    }();
    return *instance;
}

// The composed form of a text, borrowing the original bytes when they are already composed.
class Composed {
public:
    explicit Composed(std::string_view text) {
        if (isAscii(text)) {
            view_ = text;
            return;
        }
        if (!isValidUtf8(text)) {
            storage_ = repairUtf8(text);
            text = storage_;
        }
        UErrorCode status = U_ZERO_ERROR;
        const icu::StringPiece bytes = piece(text);
        if (nfc().isNormalizedUTF8(bytes, status) && U_SUCCESS(status)) {
            view_ = text;
            return;
        }
        std::string result;
        icu::StringByteSink<std::string> sink(&result, static_cast<int32_t>(text.size()));
        status = U_ZERO_ERROR;
        nfc().normalizeUTF8(0, bytes, sink, nullptr, status);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("Unicode normalisation failed: ") + u_errorName(status));
        }
        storage_ = std::move(result);
        view_ = storage_;
    }

    Composed(const Composed&) = delete;
    Composed& operator=(const Composed&) = delete;

    std::string_view view() const { return view_; }
    std::string take() && {
        return storage_.data() == view_.data() ? std::move(storage_) : std::string(view_);
    }

private:
    std::string storage_;
    std::string_view view_;
};

} // namespace

bool isAscii(std::string_view text) noexcept {
    // Eight bytes at a time: any high bit means a byte beyond ASCII.
    const char* p = text.data();
    std::size_t n = text.size();
    while (n >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            return false;
        }
        p += 8;
        n -= 8;
    }
    for (; n > 0; --n, ++p) {
        if ((static_cast<unsigned char>(*p) & 0x80) != 0) {
            return false;
        }
    }
    return true;
}

bool equal(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    if (isAscii(a) && isAscii(b)) {
        return false;
    }
    const Composed left(a);
    const Composed right(b);
    return left.view() == right.view();
}

std::weak_ordering compare(std::string_view a, std::string_view b) {
    if (a == b) {
        return std::weak_ordering::equivalent;
    }
    if (isAscii(a) && isAscii(b)) {
        return a <=> b;
    }
    // UTF-8 byte order is scalar order. string_view compares chars, which may be signed, so
    // compare as unsigned bytes.
    const Composed left(a);
    const Composed right(b);
    const std::string_view l = left.view();
    const std::string_view r = right.view();
    const int order = std::memcmp(l.data(), r.data(), std::min(l.size(), r.size()));
    if (order != 0) {
        return order < 0 ? std::weak_ordering::less : std::weak_ordering::greater;
    }
    return l.size() <=> r.size();
}

std::size_t hash(std::string_view text) {
    const Composed composed(text);
    return std::hash<std::string_view>{}(composed.view());
}

std::string composed(std::string_view text) {
    return Composed(text).take();
}

std::string lowercased(std::string_view text) {
    if (isAscii(text)) {
        std::string result(text);
        for (char& c : result) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return result;
    }
    std::string repaired;
    if (!isValidUtf8(text)) {
        repaired = repairUtf8(text);
        text = repaired;
    }
    std::string result;
    icu::StringByteSink<std::string> sink(&result, static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    // The root locale: no Turkish or Lithuanian special cases, whatever the user's language.
    icu::CaseMap::utf8ToLower("", 0, piece(text), sink, nullptr, status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("Unicode case mapping failed: ") + u_errorName(status));
    }
    return result;
}

std::string trimmed(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) {
            break;
        }
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, 0, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c)) {
            break;
        }
        end = previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)));
}

} // namespace ostrel::text
