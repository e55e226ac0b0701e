#pragma once

#include <cstddef>

namespace ostrel {

// Folds value into seed so that the order of the folded values matters.
inline void hashCombine(std::size_t& seed, std::size_t value) noexcept {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

} // namespace ostrel
