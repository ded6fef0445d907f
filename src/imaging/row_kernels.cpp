#include "imaging/row_kernels.h"

#include <algorithm>
#include <cstddef>

#include "imaging/bitmap_bridge.h"
#include "imaging/vector_clones.h"

namespace brenlow::rows {

// The seed pass for destination rows i (even) and i + 1: every even row and column takes the
// source pixel one below and left of the plain position, its right and upper neighbours the
// half-way averages, and the odd-odd sample stays 0.0 as a hole.
// Columns 0 and 2 both take source column 0; from column 2 on, column j takes j / 2 - 1, so the
// loop runs over source columns with no clamp inside.
BRENLOW_WIDE_VECTOR_CLONES static void seedColumns(const float* __restrict sourceRow, const float* __restrict sourceNextRow,
                                              float* __restrict even, float* __restrict odd, int sourceColumns) {
    for (int sc = 0; sc < sourceColumns; ++sc) {
        const double seed = sourceRow[sc];
        even[2 * sc] = sourceRow[sc];
        even[2 * sc + 1] = static_cast<float>((seed + sourceRow[sc + 1]) * 0.5);
        odd[2 * sc] = static_cast<float>((seed + sourceNextRow[sc]) * 0.5);
        odd[2 * sc + 1] = 0.0f;
    }
}

void seedRowPair(const float* sourceRow, const float* sourceNextRow, float* even, float* odd, int destinationWidth) {
    seedColumns(sourceRow, sourceNextRow, even, odd, 1);
    if (destinationWidth > 2) {
        seedColumns(sourceRow, sourceNextRow, even + 2, odd + 2, destinationWidth / 2 - 1);
    }
}

static double diagonalMean(const float* up, const float* down, int left, int right) {
    return (static_cast<double>(up[left]) + down[right] + down[left] + up[right]) * 0.25;
}

BRENLOW_WIDE_VECTOR_CLONES static bool hasZero(const float* row, int width) {
    int zeros = 0;
    for (int j = 0; j < width; ++j) {
        zeros |= static_cast<int>(row[j] == 0.0f);
    }
    return zeros != 0;
}

// The row is never `up` or `down` here. The means are made for every sample of a stretch and
// then chosen where the row holds a zero: two loops on whole vectors, where one loop would
// branch sample by sample (the compiler will not compute a mean the row may not need).
BRENLOW_WIDE_VECTOR_CLONES static void fillInterior(float* __restrict row, const float* __restrict up,
                                               const float* __restrict down, int width) {
    if (!hasZero(row + 1, width - 2)) {
        return;  // most seeded rows have no holes at all
    }
    constexpr int kStretch = 256;
    float means[kStretch];
    for (int first = 1; first + 1 < width; first += kStretch) {
        const int count = std::min(kStretch, width - 1 - first);
        for (int k = 0; k < count; ++k) {
            const int j = first + k;
            means[k] = static_cast<float>(diagonalMean(up, down, j - 1, j + 1));
        }
        float* stretch = row + first;
        for (int k = 0; k < count; ++k) {
            stretch[k] = stretch[k] == 0.0f ? means[k] : stretch[k];
        }
    }
}

// Fills the exact zeros of one row from the rows above and below. Where the row is its own upper
// or lower neighbour (first and last rows) a fill can see fills made earlier in the same row, so
// those rows go sample by sample; elsewhere each sample depends only on other rows.
void fillRow(float* row, const float* up, const float* down, int width) {
    const bool readsItself = row == up || row == down;
    auto fillAt = [&](int j) {
        if (row[j] == 0.0f) {
            row[j] = static_cast<float>(diagonalMean(up, down, std::max(j - 1, 0), std::min(j + 1, width - 1)));
        }
    };
    if (readsItself || width < 3) {
        for (int j = 0; j < width; ++j) {
            fillAt(j);
        }
        return;
    }
    fillAt(0);
    fillInterior(row, up, down, width);
    fillAt(width - 1);
}

// Sums are kept in double in the order left, previous, next, right, then the corners.
BRENLOW_WIDE_VECTOR_CLONES void sharpenRowFromWide(float* out, const double* previous, const double* current,
                                              const double* next, int width, double strength) {
    for (int j = 1; j + 1 < width; ++j) {
        const double edges = current[j - 1] + previous[j] + next[j] + current[j + 1];
        const double corners = previous[j - 1] + next[j - 1] + previous[j + 1] + next[j + 1];
        const double laplacian = edges * 4 + corners - 20 * current[j];
        float value = static_cast<float>(current[j] - ((laplacian * strength) * (1.0 / 6)));
        value = value >= 0.0f ? value : 0.0f;
        out[j] = value > 255.0f ? 255.0f : value;
    }
}

BRENLOW_WIDE_VECTOR_CLONES void widenRow(const float* samples, int width, double* wide) {
    for (int j = 0; j < width; ++j) {
        wide[j] = samples[j];
    }
}

constexpr float kInt32Limit = 2147483520.0f;  // the largest float below 2^31

BRENLOW_WIDE_VECTOR_CLONES static bool withinInt32(const float* samples, int width) {
    int outside = 0;
    for (int x = 0; x < width; ++x) {
        outside |= static_cast<int>(!(samples[x] >= -kInt32Limit)) | static_cast<int>(!(samples[x] <= kInt32Limit));
    }
    return outside == 0;
}

// Within the 32-bit range, truncation through 32 bits has the same low byte as through 64 bits
// and vectorises.
BRENLOW_WIDE_VECTOR_CLONES static void narrowWithinInt32(const float* red, const float* green, const float* blue, int width,
                                             std::uint8_t* pixels) {
    for (int x = 0; x < width; ++x) {
        pixels[3 * x] = static_cast<std::uint8_t>(static_cast<std::int32_t>(blue[x]));
        pixels[3 * x + 1] = static_cast<std::uint8_t>(static_cast<std::int32_t>(green[x]));
        pixels[3 * x + 2] = static_cast<std::uint8_t>(static_cast<std::int32_t>(red[x]));
    }
}

void narrowPixelRow(const float* red, const float* green, const float* blue, int width, std::uint8_t* pixels) {
    if (withinInt32(red, width) && withinInt32(green, width) && withinInt32(blue, width)) {
        narrowWithinInt32(red, green, blue, width, pixels);
        return;
    }
    for (int x = 0; x < width; ++x) {
        pixels[3 * x] = narrowSample(blue[x]);
        pixels[3 * x + 1] = narrowSample(green[x]);
        pixels[3 * x + 2] = narrowSample(red[x]);
    }
}

BRENLOW_WIDE_VECTOR_CLONES static void narrowIntoPixelsWithinInt32(const float* __restrict samples, int width,
                                                              std::uint8_t* __restrict pixels) {
    for (int x = 0; x < width; ++x) {
        pixels[3 * x] = static_cast<std::uint8_t>(static_cast<std::int32_t>(samples[x]));
    }
}

void narrowRowIntoPixels(const float* samples, int width, std::uint8_t* pixels) {
    if (withinInt32(samples, width)) {
        narrowIntoPixelsWithinInt32(samples, width, pixels);
        return;
    }
    for (int x = 0; x < width; ++x) {
        pixels[3 * x] = narrowSample(samples[x]);
    }
}

}  // namespace brenlow::rows
