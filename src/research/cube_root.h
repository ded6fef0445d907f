#pragma once

#include <bit>
#include <cstdint>

namespace brenlow {

// The cube root of a finite x >= 0, rounded to the nearest float: the same bits on every machine
// and C library, where the libraries' own cube roots differ in the last bit (one in ten floats
// between 0 and 2 with some). A start within a few per cent from the float's bits (a third of the
// exponent; subnormals scaled up first), three of Halley's steps in double (each cubes the
// relative error; the last leaves a few units of the 53rd bit) and one rounding to float. That
// this rounding gives the nearest float for every finite float x >= 0 was checked exhaustively
// against exact integer cubes of the half-way points; the tests check a sample the same way.
inline float cubeRoot(float x) {
    const bool subnormal = x < 0x1p-126f;
    const float scaled = subnormal ? x * 0x1p24f : x;
    const double start = static_cast<double>(std::bit_cast<float>(std::bit_cast<std::uint32_t>(scaled) / 3 + 0x2a514067u)) *
                         (subnormal ? 0x1p-8 : 1.0);
    const double wide = x;
    double y = start;
    for (int step = 0; step < 3; ++step) {
        const double cube = y * y * y;
        y = y * (cube + 2.0 * wide) / (2.0 * cube + wide);
    }
    return x == 0.0f ? x : static_cast<float>(y);
}

}  // namespace brenlow
