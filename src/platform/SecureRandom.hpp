#pragma once

#include <cstdint>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {

// The system's random generator failed; there is deliberately no weaker source to fall back to.
class SecureRandomError : public std::runtime_error {
public:
    SecureRandomError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; } // the errno of the failure
private:
    int code_;
};

// Random bytes, numbers and identifiers. The system mode reads the kernel's generator (getrandom)
// and is fit for salts and keys; the seeded mode gives the same sequence for the same seed, for
// tests and the simulator, and must never make a secret.
//
// Every operation may be called from any thread (the seeded generator is behind a lock).
class SecureRandom {
public:
    enum class Mode { system, seeded };

    // The system's generator.
    SecureRandom();
    // A deterministic generator (std::mt19937_64) started from seed.
    explicit SecureRandom(std::uint64_t seed);

    SecureRandom(const SecureRandom&) = delete;
    SecureRandom& operator=(const SecureRandom&) = delete;

    Mode mode() const { return mode_; }

    // count bytes. Throws SecureRandomError when the system's generator fails.
    std::vector<std::uint8_t> bytes(std::size_t count);
    std::uint64_t uint64();
    // A version 4 UUID in upper-case text, "0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9".
    std::string uuid();

private:
    void fill(std::uint8_t* out, std::size_t count);

    Mode mode_;
    std::mutex lock_;
    std::mt19937_64 engine_;
};

} // namespace ostrel
