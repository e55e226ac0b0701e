#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::semester {

// A seeded source of numbers that gives the same sequence on every machine and library version.
// The engine's output is fixed by the C++ standard; the distributions of the standard library are
// not, so every distribution here is written out by hand.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    // A seed for an independent stream, derived from a seed and up to two numbers (SplitMix64), so
    // that each day of a semester has its own stream and does not shift when another day changes.
    static std::uint64_t mix(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0) {
        std::uint64_t state = seed;
        for (const std::uint64_t value : {a, b}) {
            state += 0x9e3779b97f4a7c15ULL ^ value;
            state = (state ^ (state >> 30)) * 0xbf58476d1ce4e5b9ULL;
            state = (state ^ (state >> 27)) * 0x94d049bb133111ebULL;
            state ^= state >> 31;
        }
        return state;
    }

    std::uint64_t next() { return engine_(); }

    // Uniform in [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

    // Uniform in [low, high], both included; low when high < low. The modulo bias is below 2^-40
    // for the small ranges used here.
    std::int64_t between(std::int64_t low, std::int64_t high) {
        if (high <= low) {
            return low;
        }
        const auto span = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low) + 1;
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(low) + engine_() % span);
    }

    bool chance(double probability) { return unit() < probability; }

    std::size_t index(std::size_t size) { return size == 0 ? 0 : static_cast<std::size_t>(engine_() % size); }

    template <class T>
    const T& pick(std::span<const T> values) {
        return values[index(values.size())];
    }
    template <class T>
    const T& pick(const std::vector<T>& values) {
        return values[index(values.size())];
    }

    // Roughly bell-shaped within [mean - spread, mean + spread]: the mean of three uniform draws.
    double around(double mean, double spread) {
        const double sum = unit() + unit() + unit();
        return mean + spread * (sum - 1.5) / 1.5;
    }

    // An index chosen with probability proportional to its weight; weights must not all be zero.
    std::size_t weighted(std::span<const double> weights) {
        double total = 0;
        for (const double weight : weights) {
            total += weight;
        }
        double point = unit() * total;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (point < weights[i]) {
                return i;
            }
            point -= weights[i];
        }
        return weights.size() - 1;
    }

    // A version-4 style UUID text in upper case, as the platform writes identifiers.
    std::string uuid() {
        static constexpr char digits[] = "0123456789ABCDEF";
        std::string text;
        for (int i = 0; i < 32; ++i) {
            if (i == 8 || i == 12 || i == 16 || i == 20) {
                text += '-';
            }
            text += digits[next() & 15];
        }
        return text;
    }

    template <class T>
    void shuffle(std::vector<T>& values) {
        for (std::size_t i = values.size(); i > 1; --i) {
            std::swap(values[i - 1], values[index(i)]);
        }
    }

private:
    std::mt19937_64 engine_;
};

} // namespace ostrel::semester
