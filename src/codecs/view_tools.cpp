#include "codecs/view_tools.h"

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/resampling.h"
#include "imaging/sharpening.h"
#include "io/bitmap_file.h"

namespace brenlow {
namespace {

void writePlanesAsBitmap(const ImagePlanes& planes, const std::string& path) {
    const QImage bitmap = bitmapFromPlanes(planes);
    writeOutputs({{path, nullptr, &bitmap}});
}

}  // namespace

void writeZoomIn(const ImagePlanes& planes, const std::string& path) {
    requirePictureAtLeast(planes.width(), planes.height(), 2, "soomIn");
    ImagePlanes half(planes.width() / 2, planes.height() / 2);
    HalveImage(planes, half);
    writePlanesAsBitmap(half, path);
}

void writeZoomOut(const ImagePlanes& planes, const std::string& path) {
    requirePictureAtLeast(planes.width(), planes.height(), 2, "zoomOut");
    ImagePlanes twice(2 * planes.width(), 2 * planes.height());
    EnlargeImage(planes, twice, 2.0f);
    writePlanesAsBitmap(twice, path);
}

void sharpenDocument(ImagePlanes& planes) { SharpenImage(planes, 0.125f); }

}  // namespace brenlow
