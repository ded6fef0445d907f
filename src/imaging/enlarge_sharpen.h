#pragma once

#include <QImage>
#include <array>

#include "imaging/image_planes.h"
#include "io/bitmap_file.h"
#include "io/rows_in_the_making.h"

namespace brenlow {

// EnlargeImage (factor 2), then `passes` rounds of SharpenImage at `strength`, then
// PlanesToBitmap, with exactly their bits, but streamed: each channel flows row by row through a
// few rows per step instead of whole pictures. When `planes` is not null it receives the
// sharpened planes (2W x 2H). Throws Error for a source below 2 x 2 or a negative pass count.
QImage EnlargeAndSharpenToBitmap(const ImagePlanes& src, float strength, int passes, ImagePlanes* planes);

// A float for each byte value.
using SampleValues = std::array<float, 256>;

// The same for the planes of a 24-bit bitmap whose every sample byte b stands for values[b],
// read straight from the bytes without making those planes.
// The bitmap is `output`'s picture when one is given; `progress`, when given, is told the bitmap
// and each channel's finished rows as they are made, from the bottom up.
QImage EnlargeAndSharpenToBitmap(const QImage& src, const SampleValues& values, float strength, int passes,
                                 ImagePlanes* planes, BitmapInTheMaking* output = nullptr,
                                 RowsInTheMaking* progress = nullptr);

}  // namespace brenlow
