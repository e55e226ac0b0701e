#include "core/foundation/Sha256.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Sha256, MatchesPublishedTestVectors) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1'000'000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lowercaseHex(Sha256::digest(c.message)), c.digest) << c.message.size();
    }
}

TEST(Sha256, HashesEveryByteIncludingZeros) {
    const std::vector<std::uint8_t> withZero = {'a', 0, 'b'};
    EXPECT_EQ(Sha256::digest(withZero), Sha256::digest(std::string_view("a\0b", 3)));
    EXPECT_NE(Sha256::digest(withZero), Sha256::digest("ab"));
    EXPECT_NE(Sha256::digest(std::string_view("\0", 1)), Sha256::digest(""));
}

TEST(Sha256, HexIsTwoLowercaseDigitsPerByte) {
    const std::vector<std::uint8_t> bytes = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(lowercaseHex(bytes), "000fa0ff");
    EXPECT_EQ(lowercaseHex({}), "");
}

} // namespace
} // namespace ostrel
