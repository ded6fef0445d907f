#pragma once

#include <string>

#include "imaging/image_planes.h"

namespace brenlow {

// "soomIn": the half-size picture of the planes written as a bitmap file (default zoomin.bmp).
// Pictures under 2 x 2, whose half would be empty, are refused with Error before anything is written.
void writeZoomIn(const ImagePlanes& planes, const std::string& path = "zoomin.bmp");

// "zoomOut": the twofold enlargement written as a bitmap file (default zoomout.bmp). Pictures
// under 2 x 2 are refused with Error before anything is written.
void writeZoomOut(const ImagePlanes& planes, const std::string& path = "zoomout.bmp");

// "Test": one sharpening pass at strength 0.125, in place.
void sharpenDocument(ImagePlanes& planes);

}  // namespace brenlow
