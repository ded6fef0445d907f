#pragma once

// The per-row steps the kernels are made of, shared by the whole-picture kernels and the
// streamed decode. Rows are plane rows (row 0 at the bottom); nothing here allocates.
#include <cstdint>

namespace brenlow::rows {

// Enlargement seed for destination rows i (even) and i + 1 from the source plane: every even row
// and column takes the source pixel one below and left of the plain position, its right and upper
// neighbours the half-way averages; the odd-odd sample is set to 0.0 as a hole.
void seedRowPair(const float* source, int sourceWidth, float* even, float* odd, int i, int destinationWidth);

// Enlargement fill of one row: every exact 0.0 becomes the mean of its four clamped diagonal
// neighbours in the rows `up` and `down` (which may be the row itself at the picture's edges).
void fillRow(float* row, const float* up, const float* down, int width);

// One sharpening step for one row: out[j] for the interior columns from the unchanged rows
// previous, current and next, widened to double beforehand (exactly, as every float is) so that
// each sample is widened once rather than nine times; out's first and last samples are not touched.
void sharpenRowFromWide(float* out, const double* previous, const double* current, const double* next, int width,
                        double strength);

// Widens a row of floats to doubles.
void widenRow(const float* samples, int width, double* wide);

// The narrowing rule (truncate, keep the low 8 bits) for one plane row into contiguous bytes.
void narrowRow(const float* samples, int width, std::uint8_t* bytes);

// The narrowing rule for a row of each plane into blue-green-red pixels.
void narrowPixelRow(const float* red, const float* green, const float* blue, int width, std::uint8_t* pixels);

// Three rows of bytes, one per channel, into blue-green-red pixels.
void interleaveRow(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue, int width,
                   std::uint8_t* pixels);

}  // namespace brenlow::rows
