#include "platform/SecureRandom.hpp"

#include <cerrno>
#include <cstring>
#include <sys/random.h>

namespace ostrel {

SecureRandom::SecureRandom() : mode_(Mode::system) {}

SecureRandom::SecureRandom(std::uint64_t seed) : mode_(Mode::seeded), engine_(seed) {}

void SecureRandom::fill(std::uint8_t* out, std::size_t count) {
    if (mode_ == Mode::seeded) {
        const std::lock_guard guard(lock_);
        for (std::size_t index = 0; index < count; index += 8) {
            std::uint64_t word = engine_();
            for (std::size_t byte = index; byte < count && byte < index + 8; ++byte) {
                out[byte] = static_cast<std::uint8_t>(word);
                word >>= 8;
            }
        }
        return;
    }
    // A call gives at most 32 MiB and a large one may be cut short by a signal: keep asking.
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::getrandom(out + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int code = errno;
            throw SecureRandomError(code, std::string("the system's random generator failed: ") + std::strerror(code));
        }
        done += static_cast<std::size_t>(got);
    }
}

std::vector<std::uint8_t> SecureRandom::bytes(std::size_t count) {
    std::vector<std::uint8_t> result(count);
    fill(result.data(), count);
    return result;
}

std::uint64_t SecureRandom::uint64() {
    std::uint8_t raw[8];
    fill(raw, sizeof raw);
    std::uint64_t value = 0;
    for (int index = 7; index >= 0; --index) {
        value = (value << 8) | raw[index];
    }
    return value;
}

std::string SecureRandom::uuid() {
    std::uint8_t raw[16];
    fill(raw, sizeof raw);
    raw[6] = static_cast<std::uint8_t>((raw[6] & 0x0F) | 0x40); // version 4
    raw[8] = static_cast<std::uint8_t>((raw[8] & 0x3F) | 0x80); // RFC 4122 variant
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (int index = 0; index < 16; ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10) {
            text.push_back('-');
        }
        text.push_back(digits[raw[index] >> 4]);
        text.push_back(digits[raw[index] & 0x0F]);
    }
    return text;
}

} // namespace ostrel
