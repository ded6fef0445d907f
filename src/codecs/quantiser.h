#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/enlarge_sharpen.h"
#include "imaging/image_planes.h"
#include "imaging/resampling.h"

namespace brenlow {

using ByteTable = std::array<std::uint8_t, 256>;

// The encoders' range reduction, in place: every sample becomes trunc(sample / divisor) in its
// low eight bits (the quotient is a float, so 255 / 2.5 gives 102 and 255 / 0.5 gives 254).
// Samples are visited pixel by pixel, red, green, blue; the first negative quotient throws Error
// with negativeSampleMessage of its channel and leaves the planes partly quantised.
void quantisePlanes(ImagePlanes& planes, float divisor);

// The decoders' inverse, in place: trunc(multiplier * sample) in double, capped at 255 (40, 102
// and 103 at 2.5 give 100, 255 and 255). No lower bound: decoded samples are never negative.
void dequantisePlanes(ImagePlanes& planes, float multiplier);

// The quantiser for whole-number samples 0..255 as a table of bytes, or nothing when a sample
// would give a negative quotient (the planes then raise the guard's message in its order).
std::optional<ByteTable> quantiserTable(float divisor);

// The quantiser of halved samples as a table indexed by four times the sample (see
// HalveBitmapThroughTable), or nothing when a sample would give a negative quotient.
std::optional<HalvedSampleTable> halvedQuantiserTable(float divisor);

// dequantisePlanes for whole-number samples 0..255 as a table of floats.
SampleValues dequantisedSampleValues(float multiplier);

// The dequantiser for whole-number samples 0..255 as a table of bytes.
ByteTable dequantiserTable(float multiplier);

// A copy of a 24-bit bitmap with every sample byte passed through the table.
QImage mappedBitmap(const QImage& bitmap, const ByteTable& table);

// The text of the negative-sample guard for channel 0 (red), 1 (green) or 2 (blue).
std::string negativeSampleMessage(int channel);

}  // namespace brenlow
