#pragma once

#include <bit>
#include <cstdint>

namespace brenlow {

// The cube root of a finite x >= 0, rounded to the nearest float: the same bits on every machine
// and C library, where the libraries' own cube roots differ in the last bit (one in ten floats
// between 0 and 2 with some). The reciprocal root r = x^(-1/3) starts within a few per cent from
// the float's bits (a third of the exponent taken from a constant; subnormals scaled up first),
// four of Newton's steps r += r (1 - x r^3) / 3 in double square its relative error each time, and
// x r^2, within a few units of the 53rd bit, is rounded once to float. No division and no branch,
// so that loops of it turn into vector code. That this gives the nearest float for every finite
// float x >= 0 was checked exhaustively against exact integer cubes of the half-way points; the
// tests check a sample the same way.
inline float cubeRoot(float x) {
    const double wide = x;
    const auto high = static_cast<std::int32_t>(std::bit_cast<std::uint64_t>(wide) >> 32);
    const auto third = static_cast<std::int32_t>(static_cast<float>(high) * (1.0f / 3.0f));
    double r = std::bit_cast<double>(static_cast<std::uint64_t>(0x553ef0ff - third) << 32);
#pragma GCC unroll 4
    for (int step = 0; step < 4; ++step) r += r * (1.0 - wide * (r * r * r)) * (1.0 / 3.0);
    // 0 has no reciprocal root: its bits are cleared instead, in a way that leaves no branch.
    const auto root = std::bit_cast<std::uint32_t>(static_cast<float>(wide * (r * r)));
    return std::bit_cast<float>(root & (x == 0.0f ? 0u : ~0u));
}

}  // namespace brenlow
