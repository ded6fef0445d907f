#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace brenlow {

// A picture as three planes of 32-bit float samples (red, green, blue), row-major.
// Row 0 is the BOTTOM row of the picture (the order of a bottom-up bitmap file); row r + 1 lies
// above row r on screen. Samples are nominally 0..255 but may hold any float between conversions.
// Single owner: move-only, with clone() for the rare deliberate copy. The size never changes.
class ImagePlanes {
public:
    ImagePlanes() = default;
    // Planes of width x height samples, not cleared. Throws Error for a negative size or one
    // above the picture limit.
    ImagePlanes(int width, int height);

    ImagePlanes(ImagePlanes&&) noexcept = default;
    ImagePlanes& operator=(ImagePlanes&&) noexcept = default;
    ImagePlanes(const ImagePlanes&) = delete;
    ImagePlanes& operator=(const ImagePlanes&) = delete;

    ImagePlanes clone() const;

    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t sampleCount() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    bool empty() const { return sampleCount() == 0; }

    float* red() { return red_.get(); }
    float* green() { return green_.get(); }
    float* blue() { return blue_.get(); }
    const float* red() const { return red_.get(); }
    const float* green() const { return green_.get(); }
    const float* blue() const { return blue_.get(); }

    // Channel 0 is red, 1 green, 2 blue: the order in which every kernel visits them.
    float* plane(int channel);
    const float* plane(int channel) const;

    // The sample of plane row `row` (0 = bottom), column `column`.
    float& at(int channel, int row, int column) { return plane(channel)[index(row, column)]; }
    float at(int channel, int row, int column) const { return plane(channel)[index(row, column)]; }

private:
    std::size_t index(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(column);
    }

    struct FreePlane {
        void operator()(float* samples) const;
    };
    using Plane = std::unique_ptr<float[], FreePlane>;
    static Plane allocatePlane(std::size_t samples);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    Plane red_;
    Plane green_;
    Plane blue_;
};

inline constexpr int kChannels = 3;

}  // namespace brenlow
