#include "core/foundation/IdText.hpp"

#include <charconv>

namespace ostrel::idtext {

std::vector<std::string_view> split(std::string_view text, std::size_t maxSplits) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size() && parts.size() < maxSplits; ++at) {
        if (text[at] != ':') {
            continue;
        }
        if (at > start) {
            parts.push_back(text.substr(start, at - start));
        }
        start = at + 1;
    }
    if (start < text.size()) {
        parts.push_back(text.substr(start));
    }
    return parts;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    // Parse the magnitude as unsigned so that the most negative value fits.
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX);
    if (negative) {
        if (magnitude > limit + 1) {
            return std::nullopt;
        }
        return magnitude == limit + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(magnitude);
}

} // namespace ostrel::idtext
