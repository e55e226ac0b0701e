#pragma once

// Text compares as Unicode text: canonically equivalent strings are equal, and order is that of
// Unicode scalar values after canonical composition (NFC), which for UTF-8 is byte order of the
// composed forms. Plain ASCII is already composed, so it compares byte by byte without ICU.
// Stored text is never normalised; only the comparisons look through to the composed form.
// Ill-formed UTF-8 is read with U+FFFD in place of each bad sequence, the way it would be shown.

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel::text {

bool isAscii(std::string_view text) noexcept;

// Canonical equivalence.
bool equal(std::string_view a, std::string_view b);

// Unicode scalar order of the NFC forms; consistent with equal().
std::weak_ordering compare(std::string_view a, std::string_view b);

// Consistent with equal(): canonically equivalent texts hash alike.
std::size_t hash(std::string_view text);

// The NFC form, for callers that compare one text against many.
std::string composed(std::string_view text);

// Full Unicode lower-case mapping, the same in every locale.
std::string lowercased(std::string_view text);

// The text without white space and line breaks (the Unicode White_Space property) at either end.
std::string trimmed(std::string_view text);

// Function objects for containers keyed by text; transparent, so a string_view finds a string key.
struct Equal {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return equal(a, b); }
};

struct Less {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }
};

struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return hash(text); }
};

} // namespace ostrel::text
