#pragma once

#include "io/file_io.h"

namespace brenlow::testing {

// A copy of a baseline JPEG stream whose frame header claims another size; the scan data stays
// that of the small picture, so only a reader that trusts the header gets far.
Bytes withJpegFrameSize(Bytes jpeg, int width, int height);

// A valid progressive JPEG whose script splits every component's coefficients into
// single-coefficient bands, each refined bit by bit: some two thousand scans.
Bytes progressiveJpegWithManyScans(int width, int height);

// The same with another sample precision in the frame header (12 for a 12-bit file), which an
// 8-bit decoder refuses.
Bytes withJpegPrecision(Bytes jpeg, int bits);

// A one-component JPEG made with the library directly: a horizontal grey ramp.
Bytes greyJpeg(int width, int height);

// A one-component JPEG of one flat grey, arithmetic-coded: a few hundred bytes whatever the size,
// yet every pixel of it is there to decode.
Bytes flatGreyArithmeticJpeg(int width, int height);

}  // namespace brenlow::testing
