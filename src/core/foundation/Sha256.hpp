#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

class Sha256Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// SHA-256 (FIPS 180-4) of a byte string. Throws Sha256Error only when the crypto library fails.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    static Digest digest(std::span<const std::uint8_t> bytes);
    static Digest digest(std::string_view bytes);
};

// Two lowercase hexadecimal digits per byte, in order, without separators.
std::string lowercaseHex(std::span<const std::uint8_t> bytes);

} // namespace ostrel
