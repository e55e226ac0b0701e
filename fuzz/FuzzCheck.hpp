#pragma once

// What every fuzz target shares: a broken invariant prints what broke and traps, so libFuzzer keeps
// the input as a crash instead of letting the run go on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace ostrel::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz invariant broken at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    __builtin_trap();
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace ostrel::fuzz

#define FUZZ_REQUIRE(condition)                                                                                \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            ::ostrel::fuzz::fail(#condition, __FILE__, __LINE__);                                              \
        }                                                                                                      \
    } while (false)
