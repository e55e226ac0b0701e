#include "core/foundation/Utf8.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Utf8, RepairReplacesEachMaximalSubpart) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"plain ascii", "plain ascii"},
        {"h\xC3\xA9llo \xF0\x9F\x98\x80", "h\xC3\xA9llo \xF0\x9F\x98\x80"},
        {"\xFF", fffd},
        {"a\xC3", "a" + fffd}, // truncated two-byte sequence
        {"\xE2\x82", fffd},    // truncated three-byte: one subpart
        {"\xE2\x82"
         "A",
         fffd + "A"},
        {"\xED\xA0\x80", fffd + fffd + fffd},            // a surrogate is no subpart at all
        {"\xC0\xAF", fffd + fffd},                       // overlong
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // past U+10FFFF
        {"\xF0\x9F\x98", fffd},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        // Long ASCII runs are checked eight bytes at a time: faults right after a run, and
        // sequences across the eight-byte boundaries.
        {"abcdefgh\xFF", "abcdefgh" + fffd},
        {"abcdefg\xC3\xA9xyz", "abcdefg\xC3\xA9xyz"},
        {"abcdefg\xC3", "abcdefg" + fffd},
        {"abcdefghijklmno\xE2\x82", "abcdefghijklmno" + fffd},
        {"0123456789abcdef\xF0\x9F\x98\x80 and more ascii text",
         "0123456789abcdef\xF0\x9F\x98\x80 and more ascii text"},
        {"0123456\xED\xA0\x80"
         "89abcdef",
         "0123456" + fffd + fffd + fffd + "89abcdef"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(repairUtf8(c.input), c.expected) << c.input;
        EXPECT_EQ(isValidUtf8(c.input), c.input == c.expected) << c.input;
    }
}

} // namespace
} // namespace ostrel
