#pragma once

// The per-row steps the kernels are made of, shared by the whole-picture kernels and the
// streamed decode. Rows are plane rows (row 0 at the bottom); nothing here allocates.
#include <cstdint>

namespace brenlow::rows {

// The source row that seeds destination rows i (even) and i + 1: the one below the plain
// position, clamped at the bottom.
inline int seedSourceRow(int i) { return i / 2 - 1 > 0 ? i / 2 - 1 : 0; }

// Enlargement seed for destination rows i (even) and i + 1 from source rows seedSourceRow(i) and
// the one above it: every even row and column takes the source pixel one below and left of the
// plain position, its right and upper neighbours the half-way averages; the odd-odd sample is set
// to 0.0 as a hole.
void seedRowPair(const float* sourceRow, const float* sourceNextRow, float* even, float* odd, int destinationWidth);

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

// The narrowing rule for one plane row into every third byte of `pixels` (one channel of a row of
// blue-green-red pixels).
void narrowRowIntoPixels(const float* samples, int width, std::uint8_t* pixels);

// The narrowing rule for a row of each plane into blue-green-red pixels.
void narrowPixelRow(const float* red, const float* green, const float* blue, int width, std::uint8_t* pixels);

}  // namespace brenlow::rows
