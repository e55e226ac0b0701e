#include "core/foundation/UnicodeText.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(UnicodeText, EqualityIsCanonicalEquivalence) {
    const struct {
        std::string a;
        std::string b;
        bool equal;
    } cases[] = {
        {"Notes", "Notes", true},
        {"Notes", "notes", false}, // no case folding
        {"", "", true},
        {"caf\u00e9", "cafe\u0301", true}, // precomposed vs combining accent
        {"\u212b", "\u00c5", true},        // ANGSTROM SIGN is canonically A-ring
        {"cafe\u0301", "caf\u00e8", false},
        {"\uFB01", "fi", false},                  // a compatibility ligature is not canonical
        {"a\u0323\u0307", "a\u0307\u0323", true}, // combining marks reorder by class
        {"Caf\xC3", "Caf\xEF\xBF\xBD", true},     // ill-formed bytes read as U+FFFD
    };
    for (const auto& c : cases) {
        EXPECT_EQ(canonicallyEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(canonicallyEqual(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
    using Text = std::optional<std::string>;
    EXPECT_TRUE(canonicallyEqual(Text(), Text()));
    EXPECT_FALSE(canonicallyEqual(Text(), Text("")));
    EXPECT_FALSE(canonicallyEqual(Text("x"), Text()));
    EXPECT_TRUE(canonicallyEqual(Text("caf\u00e9"), Text("cafe\u0301")));
}

} // namespace
} // namespace ostrel
