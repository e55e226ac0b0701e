#include "core/observations/WiFiPayload.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(WiFiPayload, NetworkIsTheFirstEightBytesOfTheSaltedDigest) {
    // Salt and name are hashed as one byte string, so known SHA-256 vectors fix the expected text.
    const struct {
        std::vector<std::uint8_t> salt;
        std::optional<std::string_view> name;
        std::optional<std::string> network;
    } cases[] = {
        {bytes(""), "abc", "ba7816bf8f01cfea"}, // SHA-256("abc")
        {bytes("ab"), "c", "ba7816bf8f01cfea"}, // salt first, no separator
        {bytes("abc"), "", "ba7816bf8f01cfea"}, // an empty name is still a name
        {bytes(""), "", "e3b0c44298fc1c14"},    // SHA-256 of nothing
        {bytes("salt"), std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WiFiPayload::make(c.name, c.salt).network, c.network);
    }
    EXPECT_EQ(json::encodeRecord(WiFiPayload::make(std::nullopt, bytes("salt"))), "{}");
    EXPECT_EQ(json::encodeRecord(WiFiPayload::make("abc", {})), R"({"network":"ba7816bf8f01cfea"})");
}

TEST(WiFiPayload, TheSameNameGivesTheSameTextOnlyWithTheSameSalt) {
    const auto salt = bytes("0123456789abcdef0123456789abcdef");
    const auto network = [&](std::string_view name, const std::vector<std::uint8_t>& s) {
        return WiFiPayload::make(name, s).network.value();
    };
    EXPECT_EQ(network("eduroam", salt), network("eduroam", salt));
    EXPECT_EQ(network("eduroam", salt).size(), 16u);
    EXPECT_NE(network("eduroam", salt), network("eduroam", bytes("another salt")));
    EXPECT_NE(network("eduroam", bytes("")),
              network("eduroam", std::vector<std::uint8_t>{0})); // zero bytes count
    // The name is hashed exactly as it comes: no case folding, no Unicode normalisation.
    EXPECT_NE(network("eduroam", salt), network("Eduroam", salt));
    EXPECT_NE(network("Caf\u00E9", salt), network("Cafe\u0301", salt));
}

TEST(WiFiPayload, DecodesAsWritten) {
    const struct {
        const char* text;
        std::optional<WiFiPayload> expected;
    } cases[] = {
        {"{}", WiFiPayload{}},
        {R"({"network":null})", WiFiPayload{}},
        {R"({"network":"not even hex"})", WiFiPayload{"not even hex"}}, // no re-hashing on reading
        {R"({"network":"0011223344556677","ssid":"x"})", WiFiPayload{"0011223344556677"}},
        {R"({"network":42})", std::nullopt},
        {R"({"network":["a"]})", std::nullopt},
        {"[]", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<WiFiPayload>(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace ostrel
