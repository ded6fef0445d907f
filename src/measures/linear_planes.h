#pragma once

#include <QImage>

#include "measures/float_plane.h"

namespace brenlow {

// How 8-bit codes v / 255 turn into linear light: the sRGB curve, unless the picture's file declares
// a plain power (a PNG gAMA chunk of 0.45455 declares linear = v^(1 / 0.45455), which is how
// the files of the published scores are read).
struct TransferCurve {
    double exponent = 0.0;  // 0: the sRGB curve

    static TransferCurve srgb() { return {}; }
    static TransferCurve power(double exponent) { return {exponent}; }
};

// Linear-light red, green and blue (0 to 1) of the bottom-left width x height pixels of a 24-bit
// picture (Format_BGR888), row 0 at the top whatever order the picture's rows are stored in. A
// picture that declares colours of its own is converted to sRGB's primaries (LinearSrgbConversion,
// values may leave 0 to 1) unless `curve` names a power.
ColourPlanes linearPlanesOf(const QImage& picture, int width, int height, TransferCurve curve = {});

// Half the size, rounded up: each value the mean of a 2 x 2 cell from the top-left corner, a last
// odd row or column averaged with itself.
ColourPlanes halvedPlanes(const ColourPlanes& planes);

}  // namespace brenlow
