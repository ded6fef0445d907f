#pragma once

#include <QImage>
#include <QRect>
#include <cstddef>
#include <vector>

// What the side-by-side viewer of a report shows of each picture: which of a curve's points, and
// which part of the picture.

namespace brenlow {

// The places, in order, of the points offered out of a curve's `count` points (in quality order):
// every one when there are at most three, else the lowest, the middle and the highest, so that the
// viewer spans the curve without carrying every point's pixels.
std::vector<std::size_t> chosenPointPlaces(std::size_t count);

// The side of the square crops of a page showing `crops` of them: 256 pixels while they are few,
// smaller as they grow, so that the page stays a few megabytes (lossless crops of a photograph take
// about a byte and a half a pixel), but never below 128.
int cropSideFor(std::size_t crops);

// The square of `side` pixels (the whole width or height where the picture is smaller) around its
// most detailed part: the window of blocks whose luma varies most in all. A picture without detail
// gives its centre.
QRect detailedCropRegion(const QImage& picture, int side);

}  // namespace brenlow
