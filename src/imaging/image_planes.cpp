#include "imaging/image_planes.h"

#include <algorithm>

#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

std::unique_ptr<float[]> allocatePlane(std::size_t samples) { return std::make_unique_for_overwrite<float[]>(samples); }

}  // namespace

ImagePlanes::ImagePlanes(int width, int height) : width_(width), height_(height) {
    if (width < 0 || height < 0) {
        throw Error("Picture planes cannot have a negative size");
    }
    if (static_cast<std::int64_t>(width) * height > kMaxPixels) {
        checkPictureSize(width, height, "The picture");
    }
    const std::size_t samples = sampleCount();
    red_ = allocatePlane(samples);
    green_ = allocatePlane(samples);
    blue_ = allocatePlane(samples);
}

ImagePlanes ImagePlanes::clone() const {
    ImagePlanes copy(width_, height_);
    for (int channel = 0; channel < kChannels; ++channel) {
        std::copy_n(plane(channel), sampleCount(), copy.plane(channel));
    }
    return copy;
}

float* ImagePlanes::plane(int channel) {
    return const_cast<float*>(static_cast<const ImagePlanes&>(*this).plane(channel));
}

const float* ImagePlanes::plane(int channel) const {
    switch (channel) {
        case 0: return red_.get();
        case 1: return green_.get();
        case 2: return blue_.get();
        default: throw Error("There is no colour channel " + std::to_string(channel));
    }
}

}  // namespace brenlow
