#pragma once

#include <QImage>
#include <cstdint>

#include "imaging/image_planes.h"

namespace brenlow {

// The narrowing rule on the way out: truncate toward zero through a 64-bit integer, keep the low
// 8 bits. No rounding and no clamping: 254.99 -> 254, -0.7 -> 0, -1.0 -> 255, 256.0 -> 0,
// 300.5 -> 44. NaN and values beyond the 64-bit range give 0.
std::uint8_t narrowSample(float value);

// Fills `planes` from a 24-bit bitmap (QImage::Format_BGR888, bytes blue, green, red; scanLine 0
// is the top row, which lands in plane row height - 1). Throws Error unless the bitmap is BGR888
// and the planes have its size.
void BitmapToPlanes(const QImage& bitmap, ImagePlanes& planes);

// Writes `planes` into a 24-bit bitmap of the same size with the narrowing rule. Throws Error
// unless the bitmap is BGR888 and has the planes' size.
void PlanesToBitmap(QImage& bitmap, const ImagePlanes& planes);

// New planes of the bitmap's size, filled from it. The bitmap is converted to 24 bits first
// when it has another format.
ImagePlanes planesFromBitmap(const QImage& bitmap);

// A new 24-bit bitmap of the planes' size, filled from them.
QImage bitmapFromPlanes(const ImagePlanes& planes);

}  // namespace brenlow
