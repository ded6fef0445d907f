#pragma once

#include <QtGlobal>

#include "measures/common_area.h"

namespace brenlow {

// A colour in CIELAB relative to the D65 white: L* from 0 (black) to 100 (white).
struct Lab {
    double lightness = 0.0;
    double a = 0.0;
    double b = 0.0;
};

// An 8-bit sRGB colour through the standard sRGB decoding to linear light, the sRGB primaries to
// XYZ (D65) and CIELAB with white X 0.95047, Y 1, Z 1.08883 (white maps to L* 100, a* = b* = 0).
Lab labOfSrgb(uchar red, uchar green, uchar blue);

// The CIEDE2000 colour difference with kL = kC = kH = 1; symmetric, 0 for equal colours. Where
// one chroma is 0 the hue difference counts as 0 and the mean hue is the plain sum, as the
// published worked examples take it.
double ciede2000(const Lab& first, const Lab& second);

// The mean CIEDE2000 difference of corresponding pixels over the common area.
double meanCiede2000(const CommonArea& area);

}  // namespace brenlow
