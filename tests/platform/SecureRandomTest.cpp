#include "platform/SecureRandom.hpp"

#include <algorithm>
#include <regex>
#include <set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(SecureRandom, TheSameSeedGivesTheSameSequenceAndAnotherSeedAnother) {
    SecureRandom first(42);
    SecureRandom second(42);
    SecureRandom other(43);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(first.bytes(13), second.bytes(13));
        const std::uint64_t number = first.uint64();
        EXPECT_EQ(number, second.uint64());
        EXPECT_NE(number, other.uint64());
        EXPECT_EQ(first.uuid(), second.uuid());
    }
    EXPECT_EQ(first.mode(), SecureRandom::Mode::seeded);
}

TEST(SecureRandom, UuidsAreVersionFourInUpperCase) {
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    SecureRandom system;
    SecureRandom seeded(7);
    std::set<std::string> seen;
    for (int index = 0; index < 200; ++index) {
        for (SecureRandom* random : {&system, &seeded}) {
            const std::string uuid = random->uuid();
            EXPECT_TRUE(std::regex_match(uuid, form)) << uuid;
            seen.insert(uuid);
        }
    }
    EXPECT_EQ(seen.size(), 400u);
}

TEST(SecureRandom, BytesHaveTheLengthAskedForAndAreAllFilled) {
    for (SecureRandom::Mode mode : {SecureRandom::Mode::system, SecureRandom::Mode::seeded}) {
        SecureRandom system;
        SecureRandom seeded(1);
        SecureRandom& random = mode == SecureRandom::Mode::system ? system : seeded;
        for (std::size_t count : {0u, 1u, 7u, 8u, 9u, 32u, 1000u}) {
            EXPECT_EQ(random.bytes(count).size(), count);
        }
        // A generator that filled only part of the buffer leaves zeros at its end: 64 zero bytes
        // in a row from a working one has a chance of 2^-512.
        const auto tail = random.bytes(4096);
        EXPECT_FALSE(std::all_of(tail.end() - 64, tail.end(), [](std::uint8_t byte) { return byte == 0; }));
    }
}

TEST(SecureRandom, ARequestLargerThanOneSystemCallIsFilledToItsEnd) {
    // getrandom gives at most 32 MiB - 1 a call; the rest needs another.
    SecureRandom random;
    const std::size_t count = (std::size_t{32} << 20) + 4096;
    const auto bytes = random.bytes(count);
    ASSERT_EQ(bytes.size(), count);
    EXPECT_FALSE(std::all_of(bytes.end() - 64, bytes.end(), [](std::uint8_t byte) { return byte == 0; }));
}

TEST(SecureRandom, SystemNumbersDiffer) {
    SecureRandom random;
    std::set<std::uint64_t> seen;
    for (int index = 0; index < 100; ++index) {
        seen.insert(random.uint64());
    }
    EXPECT_EQ(seen.size(), 100u);
}

} // namespace
} // namespace ostrel
