#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brenlow {

// An RGB picture, 8 bits a channel, rows top first: what every codec and measure of the front door
// takes and gives. Its pixels are one block that another owner (a numpy array) may view without a
// copy, row by row at rowStride() bytes.
class Picture {
public:
    Picture() = default;
    // A copy of `pixels`: `height` rows of `width` RGB triples, `rowStride` bytes apart. Throws
    // Error for an empty or oversized picture.
    static Picture fromPixels(int width, int height, const std::uint8_t* pixels, std::size_t rowStride);
    // The same pixels without a copy: they must outlive the picture and every copy of it. Writing
    // to the picture copies them first. Throws Error as fromPixels does.
    static Picture viewing(int width, int height, const std::uint8_t* pixels, std::size_t rowStride);
    // Any picture file the workbench opens (bitmap, JPEG, PNG, TIFF, WebP, PPM/PGM, GIF). Throws
    // Error naming the file and what is wrong with it.
    static Picture read(const std::string& path);
    // Writes the picture by its name's extension, as the command line writes pictures: .bmp a 24-bit
    // bitmap; .png, .ppm, .tif/.tiff losslessly. The file appears whole or not at all. Throws
    // UsageError for another extension, Error naming the file when it cannot be written.
    void write(const std::string& path) const;
    // Shares the image's pixels when it is RGB already; converts otherwise.
    static Picture fromImage(const QImage& image);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool empty() const { return image_.isNull(); }
    std::size_t rowStride() const { return static_cast<std::size_t>(image_.bytesPerLine()); }
    const std::uint8_t* pixels() const { return image_.constBits(); }
    std::uint8_t* pixels() { return image_.bits(); }

    // As the core's codecs and measures take it: 24-bit, blue first.
    QImage bitmap() const;
    // The RGB image itself.
    const QImage& image() const { return image_; }

private:
    explicit Picture(QImage image) : image_(std::move(image)) {}
    QImage image_;  // Format_RGB888
};

}  // namespace brenlow
