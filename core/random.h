#pragma once

#include <cstdint>
#include <random>

namespace tamarisk::core {

/// The program's one random source, uniform in [0, 1). Draws are (next 32-bit output >> 8) / 2^24 of a
/// std::mt19937, so one seed gives the same numbers with every standard library.
class Random {
public:
    explicit Random(std::uint32_t seed = 0) : m_engine(seed) {}

    void seed(std::uint32_t value) { m_engine.seed(value); }
    double next() { return static_cast<double>(m_engine() >> 8) / 16777216.0; }

    /// The start-up seed from the clock: (S x 2 + 1) x (H + 1), S the seconds and H the hour of the local
    /// time of day.
    static std::uint32_t clockSeed();

private:
    std::mt19937 m_engine;
};

} // namespace tamarisk::core
