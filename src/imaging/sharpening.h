#pragma once

#include "imaging/image_planes.h"

namespace brenlow {

// One pass of X := X - Lap * strength / 6 over the interior samples, with Lap the nine-point
// Laplacian (edges weigh 4, corners 1, centre -20) read from the picture as it was before the
// pass, then each updated sample clamped to 0..255 (NaN becomes 0). The border rows and columns
// are neither changed nor clamped; pictures under 3 x 3 are left as they are. In place.
void SharpenImage(ImagePlanes& planes, float strength);

}  // namespace brenlow
