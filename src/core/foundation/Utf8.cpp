#include "core/foundation/Utf8.hpp"

#include <cstdint>
#include <cstring>

namespace ostrel {

namespace {

// Length of the well-formed sequence starting at bytes[i], or 0 when it is ill-formed; in that case
// subpart is set to the length of its maximal subpart (at least 1).
std::size_t sequenceLength(std::string_view bytes, std::size_t i, std::size_t& subpart) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = byte(i);
    subpart = 1;
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead == 0xE0) {
        length = 3;
        low = 0xA0;
    } else if (lead == 0xED) {
        length = 3;
        high = 0x9F;
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        length = 3;
    } else if (lead == 0xF0) {
        length = 4;
        low = 0x90;
    } else if (lead == 0xF4) {
        length = 4;
        high = 0x8F;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        length = 4;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= bytes.size()) {
            return 0;
        }
        const std::uint8_t next = byte(i + k);
        const std::uint8_t lo = k == 1 ? low : 0x80;
        const std::uint8_t hi = k == 1 ? high : 0xBF;
        if (next < lo || next > hi) {
            return 0;
        }
        subpart = k + 1;
    }
    return length;
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    std::size_t subpart = 0;
    while (i < bytes.size()) {
        // Eight ASCII bytes at a time: nearly every stored text is mostly ASCII.
        if (i + 8 <= bytes.size()) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, bytes.data() + i, sizeof chunk);
            if ((chunk & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const std::size_t length = sequenceLength(bytes, i, subpart);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string repairUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string repaired;
    repaired.reserve(bytes.size() + 8);
    std::size_t i = 0;
    std::size_t subpart = 0;
    while (i < bytes.size()) {
        const std::size_t length = sequenceLength(bytes, i, subpart);
        if (length == 0) {
            repaired += "\xEF\xBF\xBD";
            i += subpart;
        } else {
            repaired.append(bytes.substr(i, length));
            i += length;
        }
    }
    return repaired;
}

} // namespace ostrel
