#pragma once

#include <vector>

#include "measures/common_area.h"
#include "measures/row_errors.h"

namespace brenlow {

// The least sides a picture needs: one 11 x 11 window for SSIM, and one still at MS-SSIM's fifth
// scale, after four halvings.
constexpr int kSsimSmallestSide = 11;
constexpr int kMsSsimSmallestSide = kSsimSmallestSide << 4;

// Structural similarity of the luma of a common area. Both use Gaussian 11 x 11 windows with
// sigma 1.5, K1 0.01, K2 0.03 and L 255, and each is NaN when a window does not fit.
struct LumaSimilarity {
    double ssim = 0.0;    // mean SSIM over the full-size windows
    double msSsim = 0.0;  // five-scale MS-SSIM, NaN too when not asked for or below 176 x 176
    bool rowErrorsTaken = false;  // whether the row sums asked for were taken
};

// SSIM, and MS-SSIM when `multiScale`: the mean contrast-structure term cs_j at each of five
// scales, 2 x 2 averages between them (of an odd number the bottom row and the right column are
// dropped: rows pair up from the top, as top-down implementations pair them), and the mean luminance term l_5 at the coarsest only:
// MS-SSIM = prod cs_j^w_j * l_5^w_5, w = 0.0448, 0.2856, 0.3001, 0.2363, 0.1333. A negative
// cs_j counts as 0, so strongly anticorrelated pictures give 0 rather than a complex power.
// Given `rowErrors`, one zeroed entry per row of the area, the full-size pass also adds up each
// row's errors there while it has the row at hand, so that the pictures are gone through once;
// not when the area holds no window (rowErrorsTaken says which).
LumaSimilarity lumaSimilarity(const CommonArea& area, bool multiScale, std::vector<RowErrors>* rowErrors = nullptr);

}  // namespace brenlow
