#pragma once

#include <cstdint>
#include <filesystem>

namespace ostrel::test {

// Three weeks of mornings from Monday 2024-11-04 08:00 UTC: an unlock, then the same two apps
// brought to the front a minute apart, and every third day a third app ("com.example.game").
struct Mornings {
    static constexpr std::int64_t minute = 60000;
    static constexpr std::int64_t day = 1440 * minute;
    static constexpr std::int64_t first = 1730707200000 + 8 * 60 * minute;
    static constexpr int days = 21;

    // Writes them through an owner store at path, creating the file.
    static void write(const std::filesystem::path& path);
};

} // namespace ostrel::test
