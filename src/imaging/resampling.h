#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "imaging/image_planes.h"

namespace brenlow {

// Half-size picture. dst must be floor(Ws/2) x floor(Hs/2). Each destination sample is the
// three-tap average 1/2 P(i,j) + 1/4 P(i,j+1) + 1/4 P(i+1,j) of the cell's corner, its right
// neighbour and its neighbour in the next row, in double precision rounded to float on store; the
// fourth sample of the cell takes no part and an odd last row or column is never read.
// Throws Error when the sizes do not match.
void HalveImage(const ImagePlanes& src, ImagePlanes& dst);

// Exactly HalveImage(planesFromBitmap(bitmap), dst), read straight from a 24-bit bitmap's bytes
// without making the full-size planes.
void HalveBitmap(const QImage& bitmap, ImagePlanes& dst);

// From bytes every halved sample is a quarter of the whole number 2 * corner + right + next,
// 0..1020, so anything computed from it alone is a table indexed by that sum.
inline constexpr int kHalvedSums = 4 * 255 + 1;
using HalvedSampleTable = std::array<std::uint8_t, kHalvedSums>;

// HalveBitmap followed by table[4 * sample] for every sample, as a 24-bit bitmap of the half
// size, without planes. The bitmap must be at least 2 x 2.
QImage HalveBitmapThroughTable(const QImage& bitmap, const HalvedSampleTable& table);

// Twofold enlargement in three passes over dst (2Ws x 2Hs; src at least 2 x 2): clear, seed every
// second row and column from the source pixel one below and left of the plain position (so the
// result is shifted by two pixels), then fill every sample that is exactly 0.0 (holes and true
// black alike) with the mean of its four clamped diagonal neighbours, in plane order, reading
// samples this pass has already filled. Only factor 2 is supported. Throws Error on a broken
// precondition.
void EnlargeImage(const ImagePlanes& src, ImagePlanes& dst, float factor = 2.0f);

}  // namespace brenlow
