// UTF-8 repair and Unicode text comparison. Repair gives well-formed text, leaves well-formed text
// alone and is idempotent. Equality is reflexive and symmetric, agrees with order, hash, the
// composed form and the other canonical comparison, and sees through repair.

#include "FuzzCheck.hpp"

#include "core/foundation/Text.hpp"
#include "core/foundation/UnicodeText.hpp"
#include "core/foundation/Utf8.hpp"

#include <fuzzer/FuzzedDataProvider.h>

using namespace ostrel;

namespace {

void checkOne(const std::string& bytes) {
    const std::string repaired = repairUtf8(bytes);
    FUZZ_REQUIRE(isValidUtf8(repaired));
    FUZZ_REQUIRE(repairUtf8(repaired) == repaired);
    if (isValidUtf8(bytes)) {
        FUZZ_REQUIRE(repaired == bytes);
    }
    FUZZ_REQUIRE(text::equal(bytes, bytes));
    // Ill-formed bytes read as U+FFFD, which is what repair writes.
    FUZZ_REQUIRE(text::equal(bytes, repaired));

    const std::string composed = text::composed(bytes);
    FUZZ_REQUIRE(isValidUtf8(composed));
    FUZZ_REQUIRE(text::equal(composed, bytes));
    FUZZ_REQUIRE(text::composed(composed) == composed);
    FUZZ_REQUIRE(text::hash(composed) == text::hash(bytes));

    FUZZ_REQUIRE(isValidUtf8(text::lowercased(bytes)));
    const std::string trimmed = text::trimmed(bytes);
    FUZZ_REQUIRE(trimmed.size() <= bytes.size());
    FUZZ_REQUIRE(text::trimmed(trimmed) == trimmed);
}

void checkPair(const std::string& a, const std::string& b) {
    const bool equal = text::equal(a, b);
    FUZZ_REQUIRE(text::equal(b, a) == equal);
    FUZZ_REQUIRE(canonicallyEqual(a, b) == equal);
    const std::weak_ordering order = text::compare(a, b);
    FUZZ_REQUIRE((order == 0) == equal);
    FUZZ_REQUIRE(text::compare(b, a) == (0 <=> order));
    if (equal) {
        FUZZ_REQUIRE(text::hash(a) == text::hash(b));
        FUZZ_REQUIRE(text::composed(a) == text::composed(b));
    }
    if (text::isAscii(a) && text::isAscii(b)) {
        FUZZ_REQUIRE(equal == (a == b));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string a = input.ConsumeRandomLengthString(256);
    const std::string b = input.ConsumeRemainingBytesAsString();
    checkOne(a);
    checkOne(b);
    checkPair(a, b);
    checkPair(a, text::composed(b));
    return 0;
}
