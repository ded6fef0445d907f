#pragma once

#include <QImage>

#include "research/common_area.h"
#include "research/linear_planes.h"

namespace brenlow {

// SSIMULACRA 2 (version 2.1) of `test` against `reference`: 100 for identical pictures, about 90
// where a difference is hard to see, 50 for medium quality, and lower (negative too) the worse.
// Both pictures are 24-bit (Format_BGR888) and are measured over their common area counted from
// the bottom-left corner, as the other measures are; the method itself works from the top row
// down. The codes are taken as sRGB unless `curve` says otherwise. NaN when that area is narrower or
// lower than 8 pixels, where the method is not defined. Throws Error for another format.
double ssimulacra2(const QImage& reference, const QImage& test, TransferCurve curve = {});

// The same over an area already checked; the pictures must be Format_BGR888.
double ssimulacra2(const CommonArea& area, TransferCurve curve = {});

}  // namespace brenlow
