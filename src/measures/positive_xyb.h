#pragma once

#include "measures/float_plane.h"
#include "measures/fused_multiply_add.h"

namespace brenlow {

// The XYB colour space as SSIMULACRA 2 takes it, from linear-light RGB planes: the opsin
// absorbance mix of the three plus a small bias, its cube root less the cube root of the bias,
// X = (L - M) / 2, Y = (L + M) / 2, B = S; then each channel moved into about 0..1 so that SSIM's
// terms make sense: X 14 X + 0.42, Y + 0.01, B - Y + 0.55. Neutral colours have X 0.42, B 0.55.
// `xyb` takes the size of `linear`. The cube roots are the nearest floats (cube_root.h); the
// multiply-adds of the mix are fused, on the processor's unit or emulated, to the same bits.
void positiveXybOf(const ColourPlanes& linear, ColourPlanes& xyb, FmaUnit unit = fastestFmaUnit());

}  // namespace brenlow
