#include "imaging/image_planes.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/large_memory.h"

namespace brenlow {

void ImagePlanes::FreePlane::operator()(float* samples) const { std::free(samples); }

// A 12-megapixel picture's planes are 144 MB, written once before they are read: in huge pages they
// take a few hundred page faults instead of some 36 000.
ImagePlanes::Plane ImagePlanes::allocatePlane(std::size_t samples) {
    void* memory = allocateLargeMemory(samples * sizeof(float));
    if (memory == nullptr) throw std::bad_alloc();
    return Plane(static_cast<float*>(memory));
}

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
