#include "brenlow/picture.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>

#include "codecs/document.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {

namespace {

void checkPixels(int width, int height, const std::uint8_t* pixels, std::size_t rowStride) {
    if (width <= 0 || height <= 0 || pixels == nullptr)
        throw Error("A picture needs at least one pixel; these pixels are " + std::to_string(width) + " x " +
                    std::to_string(height));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (rowStride < rowBytes) throw Error("The picture's rows are " + std::to_string(rowStride) +
                                          " bytes apart, fewer than the " + std::to_string(rowBytes) + " a row holds");
    checkPictureSize(width, height, "The picture");
}

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The lossless formats a picture is written in, by extension.
const char* losslessFormatOf(const std::string& extension) {
    if (extension == ".png") return "png";
    if (extension == ".ppm") return "ppm";
    if (extension == ".tif" || extension == ".tiff") return "tiff";
    return nullptr;
}

Bytes encodedAs(const QImage& image, const char* format, const std::string& path) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        throw Error("Cannot make the " + std::string(format) + " picture: " + writer.errorString().toStdString(), path);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(encoded.constData());
    return Bytes(bytes, bytes + encoded.size());
}

}  // namespace

Picture Picture::viewing(int width, int height, const std::uint8_t* pixels, std::size_t rowStride) {
    checkPixels(width, height, pixels, rowStride);
    return Picture(QImage(pixels, width, height, static_cast<qsizetype>(rowStride), QImage::Format_RGB888));
}

void Picture::write(const std::string& path) const {
    if (empty()) throw UsageError("There is no picture to write to \"" + path + "\"");
    const std::string extension = lowerExtension(path);
    if (extension == ".bmp") {
        saveBitmapFile(bitmap(), path);
        return;
    }
    const char* format = losslessFormatOf(extension);
    if (format == nullptr)
        throw UsageError("\"" + path + "\": pictures are written as .bmp, .png, .ppm or .tif, without loss; "
                         "a codec codes them otherwise");
    writeFileAtomically(path, encodedAs(image_, format, path));
}

Picture Picture::fromPixels(int width, int height, const std::uint8_t* pixels, std::size_t rowStride) {
    checkPixels(width, height, pixels, rowStride);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
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
