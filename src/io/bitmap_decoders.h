#pragma once

// The bitmap kinds read here rather than by Qt's reader, which leaves pixels of them undefined
// (run-length data that skips pixels or stops early) or short of the full range (16-bit samples).

#include <QImage>
#include <cstdint>
#include <span>
#include <string>

#include "io/bitmap_layout.h"

namespace brenlow {

// Run-length coded palette bitmaps, 8 or 4 bits a pixel.
bool isRunLengthBitmap(const BitmapLayout& layout);

// A 24-bit picture of a run-length coded bitmap held whole in `file`. Pixels the data skips
// (end of line, delta, end of bitmap) or never reaches (data cut short) take palette entry 0;
// indices past the palette's end are black, as in uncompressed palette bitmaps. Pixels past a
// row's end are dropped. Throws Error when the palette does not fit in the file or the bit count
// does not match the coding.
QImage decodeRunLengthBitmap(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name);

// 16-bit bitmaps: uncompressed (5-5-5) or with their own channel masks.
bool is16BitBitmap(const BitmapLayout& layout);

// A 24-bit picture of a 16-bit bitmap held whole in `file`, each channel stretched to 0-255.
// The pixel array must hold every row (checked before); the masks must be in the file.
QImage decode16BitBitmap(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name);

}  // namespace brenlow
