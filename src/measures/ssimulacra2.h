#pragma once

#include <QImage>
#include <array>
#include <vector>

#include "measures/common_area.h"
#include "measures/linear_planes.h"

namespace brenlow {

// Below this many pixels on a side the score is left undefined.
constexpr int kSsimulacra2SmallestSide = 8;

// SSIMULACRA 2 (version 2.1) of `test` against `reference`: 100 for identical pictures, about 90
// where a difference is hard to see, 50 for medium quality, and lower (negative too) the worse.
// Both pictures are 24-bit (Format_BGR888) and are measured over their common area counted from
// the bottom-left corner, as the other measures are; the method itself works from the top row
// down. The codes are taken as sRGB unless `curve` says otherwise. NaN when that area is narrower or
// lower than 8 pixels, where the method is not defined. Throws Error for another format.
double ssimulacra2(const QImage& reference, const QImage& test, TransferCurve curve = {});

// The same over an area already checked; the pictures must be Format_BGR888.
double ssimulacra2(const CommonArea& area, TransferCurve curve = {});

// What of the method depends on the reference alone, for measuring many pictures against it: at
// each scale its XYB planes and, per channel, their blurred means and blurred squares. About 64
// bytes per pixel of the area.
struct Ssimulacra2Reference {
    struct Scale {
        ColourPlanes xyb;
        ColourPlanes mean;
        ColourPlanes square;
    };
    int width = 0;
    int height = 0;
    TransferCurve curve;
    std::vector<Scale> scales;  // finest first; none when the area is below 8 pixels on a side
};

// The reference's share over its bottom-left width x height; `reference` must be Format_BGR888
// and at least that large.
Ssimulacra2Reference ssimulacra2Reference(const QImage& reference, int width, int height, TransferCurve curve = {});

// The score of the bottom-left area of `test` of the prepared size, exactly what ssimulacra2 gives
// for the same pair; NaN below 8 pixels on a side. `test` must be Format_BGR888 and large enough.
double ssimulacra2(const Ssimulacra2Reference& reference, const QImage& test);

}  // namespace brenlow
