#include "imaging/resampling.h"

#include <algorithm>
#include <string>

#include "imaging/parallel.h"
#include "io/error.h"

namespace brenlow {
namespace {

std::string sizeText(const ImagePlanes& planes) {
    return std::to_string(planes.width()) + " x " + std::to_string(planes.height());
}

void halveRows(const float* source, int sourceWidth, float* destination, int destinationWidth, int rowBegin,
               int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
        const float* row = source + static_cast<std::size_t>(2 * r) * sourceWidth;
        const float* nextRow = row + sourceWidth;
        float* out = destination + static_cast<std::size_t>(r) * destinationWidth;
        for (int c = 0; c < destinationWidth; ++c) {
            const double corner = row[2 * c];
            out[c] = static_cast<float>(((corner + row[2 * c + 1]) * 0.5 + (corner + nextRow[2 * c]) * 0.5) * 0.5);
        }
    }
}

// Plane rows 2r and 2r + 1 are picture rows H - 1 - 2r and H - 2 - 2r; byte 2 is red, 0 blue.
void halveBitmapRows(const QImage& bitmap, ImagePlanes& dst, int rowBegin, int rowEnd) {
    const int height = bitmap.height();
    for (int r = rowBegin; r < rowEnd; ++r) {
        const uchar* row = bitmap.constScanLine(height - 1 - 2 * r);
        const uchar* nextRow = bitmap.constScanLine(height - 2 - 2 * r);
        for (int channel = 0; channel < kChannels; ++channel) {
            const int byte = 2 - channel;
            float* out = dst.plane(channel) + static_cast<std::size_t>(r) * dst.width();
            for (int c = 0; c < dst.width(); ++c) {
                const double corner = row[6 * c + byte];
                out[c] = static_cast<float>(((corner + row[6 * c + 3 + byte]) * 0.5 + (corner + nextRow[6 * c + byte]) * 0.5) *
                                            0.5);
            }
        }
    }
}

// The seed pass for destination rows i (even) and i + 1: every even row and column takes the
// source pixel one below and left of the plain position, its right and upper neighbours the
// half-way averages, and the odd-odd sample stays 0.0 as a hole.
void seedRowPair(const float* source, int sourceWidth, float* even, float* odd, int i, int destinationWidth) {
    const int sr = std::max(i / 2 - 1, 0);
    const float* sourceRow = source + static_cast<std::size_t>(sr) * sourceWidth;
    const float* sourceNextRow = sourceRow + sourceWidth;
    for (int j = 0; j < destinationWidth; j += 2) {
        const int sc = std::max(j / 2 - 1, 0);
        const double seed = sourceRow[sc];
        even[j] = sourceRow[sc];
        even[j + 1] = static_cast<float>((seed + sourceRow[sc + 1]) * 0.5);
        odd[j] = static_cast<float>((seed + sourceNextRow[sc]) * 0.5);
        odd[j + 1] = 0.0f;
    }
}

double diagonalMean(const float* up, const float* down, int left, int right) {
    return (static_cast<double>(up[left]) + down[right] + down[left] + up[right]) * 0.25;
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
    for (int j = 1; j + 1 < width; ++j) {
        const float mean = static_cast<float>(diagonalMean(up, down, j - 1, j + 1));
        row[j] = row[j] == 0.0f ? mean : row[j];
    }
    fillAt(width - 1);
}

// Seed and fill fused into one sweep: row i is filled as soon as row i + 1 is seeded, which is
// exactly the state the separate passes would see (rows above filled, rows below only seeded).
void enlargePlane(const float* source, int sourceWidth, float* destination, int width, int height) {
    auto rowOf = [&](int row) { return destination + static_cast<std::size_t>(row) * width; };
    auto fill = [&](int i) { fillRow(rowOf(i), rowOf(std::max(i - 1, 0)), rowOf(std::min(i + 1, height - 1)), width); };
    for (int i = 0; i < height; i += 2) {
        seedRowPair(source, sourceWidth, rowOf(i), rowOf(i + 1), i, width);
        if (i > 0) {
            fill(i - 1);
        }
        fill(i);
    }
    fill(height - 1);
}

}  // namespace

void HalveImage(const ImagePlanes& src, ImagePlanes& dst) {
    if (src.empty() || dst.width() != src.width() / 2 || dst.height() != src.height() / 2) {
        throw Error("Cannot halve a picture of " + sizeText(src) + " into one of " + sizeText(dst));
    }
    parallelRows(0, dst.height(), [&](int rowBegin, int rowEnd) {
        for (int channel = 0; channel < kChannels; ++channel) {
            halveRows(src.plane(channel), src.width(), dst.plane(channel), dst.width(), rowBegin, rowEnd);
        }
    });
}

void HalveBitmap(const QImage& bitmap, ImagePlanes& dst) {
    if (bitmap.format() != QImage::Format_BGR888 || bitmap.width() == 0 || bitmap.height() == 0 ||
        dst.width() != bitmap.width() / 2 || dst.height() != bitmap.height() / 2) {
        throw Error("Cannot halve a picture of " + std::to_string(bitmap.width()) + " x " +
                    std::to_string(bitmap.height()) + " into one of " + sizeText(dst));
    }
    parallelRows(0, dst.height(), [&](int rowBegin, int rowEnd) { halveBitmapRows(bitmap, dst, rowBegin, rowEnd); });
}

void EnlargeImage(const ImagePlanes& src, ImagePlanes& dst, float factor) {
    if (factor != 2.0f) {
        throw Error("Pictures can only be enlarged twofold");
    }
    if (src.width() < 2 || src.height() < 2) {
        throw Error("A picture of " + sizeText(src) + " is too small to enlarge (at least 2 x 2 is needed)");
    }
    if (dst.width() != 2 * src.width() || dst.height() != 2 * src.height()) {
        throw Error("Cannot enlarge a picture of " + sizeText(src) + " into one of " + sizeText(dst));
    }
    // The fill pass depends on its own earlier fills, so only the independent channels run side by side.
    parallelFor(kChannels, [&](int channel) {
        enlargePlane(src.plane(channel), src.width(), dst.plane(channel), dst.width(), dst.height());
    });
}

}  // namespace brenlow
