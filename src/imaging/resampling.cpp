#include "imaging/resampling.h"

#include <algorithm>
#include <string>

#include "imaging/parallel.h"
#include "imaging/row_kernels.h"
#include "imaging/vector_clones.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

using rows::fillRow;
using rows::seedRowPair;

std::string sizeText(const ImagePlanes& planes) {
    return std::to_string(planes.width()) + " x " + std::to_string(planes.height());
}

BRENLOW_WIDE_VECTOR_CLONES void halveRows(const float* source, int sourceWidth, float* destination, int destinationWidth, int rowBegin,
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
BRENLOW_WIDE_VECTOR_CLONES void halveBitmapRows(const QImage& bitmap, ImagePlanes& dst, int rowBegin, int rowEnd) {
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

// Output rows counted from the bottom as plane rows; the picture's rows run top-down.
void halveBitmapRowsThroughTable(const QImage& bitmap, const HalvedSampleTable& table, uchar* halfLines,
                                 std::size_t halfBytesPerLine, int halfHeight, int rowBegin, int rowEnd) {
    const int height = bitmap.height();
    const int columns = bitmap.width() / 2;
    for (int r = rowBegin; r < rowEnd; ++r) {
        const uchar* row = bitmap.constScanLine(height - 1 - 2 * r);
        const uchar* nextRow = bitmap.constScanLine(height - 2 - 2 * r);
        uchar* out = halfLines + static_cast<std::size_t>(halfHeight - 1 - r) * halfBytesPerLine;
        for (int c = 0; c < columns; ++c) {
            for (int byte = 0; byte < 3; ++byte) {
                const int corner = row[6 * c + byte];
                out[3 * c + byte] = table[static_cast<std::size_t>(2 * corner + row[6 * c + 3 + byte] + nextRow[6 * c + byte])];
            }
        }
    }
}

// Seed and fill fused into one sweep: row i is filled as soon as row i + 1 is seeded, which is
// exactly the state the separate passes would see (rows above filled, rows below only seeded).
void enlargePlane(const float* source, int sourceWidth, float* destination, int width, int height) {
    auto rowOf = [&](int row) { return destination + static_cast<std::size_t>(row) * width; };
    auto fill = [&](int i) { fillRow(rowOf(i), rowOf(std::max(i - 1, 0)), rowOf(std::min(i + 1, height - 1)), width); };
    for (int i = 0; i < height; i += 2) {
        const float* sourceRow = source + static_cast<std::size_t>(rows::seedSourceRow(i)) * sourceWidth;
        seedRowPair(sourceRow, sourceRow + sourceWidth, rowOf(i), rowOf(i + 1), width);
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

QImage HalveBitmapThroughTable(const QImage& bitmap, const HalvedSampleTable& table) {
    if (bitmap.format() != QImage::Format_BGR888 || bitmap.width() < 2 || bitmap.height() < 2) {
        throw Error("Cannot halve a picture of " + std::to_string(bitmap.width()) + " x " +
                    std::to_string(bitmap.height()));
    }
    QImage half = makeBitmap(bitmap.width() / 2, bitmap.height() / 2);
    uchar* halfLines = half.bits();  // detaches once, before the threads start
    const auto halfBytesPerLine = static_cast<std::size_t>(half.bytesPerLine());
    parallelRows(0, half.height(), [&](int rowBegin, int rowEnd) {
        halveBitmapRowsThroughTable(bitmap, table, halfLines, halfBytesPerLine, half.height(), rowBegin, rowEnd);
    });
    return half;
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
