#include "core/foundation/Sha256.hpp"

#include <openssl/evp.h>

namespace ostrel {

Sha256::Digest Sha256::digest(std::span<const std::uint8_t> bytes) {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        throw Sha256Error("SHA-256 digest failed");
    }
    return digest;
}

Sha256::Digest Sha256::digest(std::string_view bytes) {
    return digest(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string lowercaseHex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
    }
    return hex;
}

} // namespace ostrel
