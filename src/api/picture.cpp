#include "brenlow/picture.h"

#include <cstring>
#include <limits>

#include "codecs/document.h"
#include "io/error.h"

namespace brenlow {

Picture Picture::fromPixels(int width, int height, const std::uint8_t* pixels, std::size_t rowStride) {
    if (width <= 0 || height <= 0 || pixels == nullptr)
        throw Error("A picture needs at least one pixel; these pixels are " + std::to_string(width) + " x " +
                    std::to_string(height));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (rowStride < rowBytes) throw Error("The picture's rows are " + std::to_string(rowStride) +
                                          " bytes apart, fewer than the " + std::to_string(rowBytes) + " a row holds");
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        throw Error("A picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels does not fit in memory");
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + static_cast<std::size_t>(y) * rowStride, rowBytes);
    return Picture(std::move(image));
}

Picture Picture::read(const std::string& path) { return fromImage(loadDocumentPicture(path)); }

Picture Picture::fromImage(const QImage& image) {
    if (image.isNull()) return Picture();
    return Picture(image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888));
}

QImage Picture::bitmap() const { return image_.convertToFormat(QImage::Format_BGR888); }

}  // namespace brenlow
