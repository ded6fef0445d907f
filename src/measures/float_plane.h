#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace brenlow {

// One channel of a picture as floats, row 0 at the top. Shrinking keeps the memory, so that the
// coarser scales reuse what the finest one took.
class FloatPlane {
public:
    FloatPlane() = default;
    FloatPlane(int width, int height) { resize(width, height); }

    void resize(int width, int height) {
        width_ = width;
        height_ = height;
        values_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    }

    int width() const { return width_; }
    int height() const { return height_; }
    float* row(int r) { return values_.data() + offset(r); }
    const float* row(int r) const { return values_.data() + offset(r); }

private:
    std::size_t offset(int r) const { return static_cast<std::size_t>(r) * static_cast<std::size_t>(width_); }

    int width_ = 0;
    int height_ = 0;
    std::vector<float> values_;
};

// Three planes of one size: red, green, blue or X, Y, B.
using ColourPlanes = std::array<FloatPlane, 3>;

}  // namespace brenlow
