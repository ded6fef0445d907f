#include "imaging/bitmap_bridge.h"

#include "io/error.h"

namespace brenlow {
namespace {

void requireBgr888(const QImage& bitmap) {
    if (bitmap.format() != QImage::Format_BGR888) {
        throw Error("The picture is not held with 24 bits per pixel");
    }
}

void requireSameSize(const QImage& bitmap, const ImagePlanes& planes) {
    if (bitmap.width() != planes.width() || bitmap.height() != planes.height()) {
        throw Error("The picture and its planes differ in size (" + std::to_string(bitmap.width()) + " x " +
                    std::to_string(bitmap.height()) + " against " + std::to_string(planes.width()) + " x " +
                    std::to_string(planes.height()) + ")");
    }
}

}  // namespace

std::uint8_t narrowSample(float value) {
    // Out of the 64-bit range the processor's conversion yields its "integer indefinite", whose
    // low byte is 0; doing the same here keeps the conversion defined.
    constexpr float kLimit = 9.2e18f;
    if (!(value > -kLimit && value < kLimit)) {
        return 0;
    }
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(value));
}

void BitmapToPlanes(const QImage& bitmap, ImagePlanes& planes) {
    requireBgr888(bitmap);
    requireSameSize(bitmap, planes);
    const int width = bitmap.width();
    const int height = bitmap.height();
    for (int pictureRow = 0; pictureRow < height; ++pictureRow) {
        const uchar* pixels = bitmap.constScanLine(pictureRow);
        const std::size_t offset = static_cast<std::size_t>(height - 1 - pictureRow) * static_cast<std::size_t>(width);
        float* blue = planes.blue() + offset;
        float* green = planes.green() + offset;
        float* red = planes.red() + offset;
        for (int x = 0; x < width; ++x) {
            blue[x] = pixels[3 * x];
            green[x] = pixels[3 * x + 1];
            red[x] = pixels[3 * x + 2];
        }
    }
}

void PlanesToBitmap(QImage& bitmap, const ImagePlanes& planes) {
    requireBgr888(bitmap);
    requireSameSize(bitmap, planes);
    const int width = planes.width();
    const int height = planes.height();
    for (int pictureRow = 0; pictureRow < height; ++pictureRow) {
        uchar* pixels = bitmap.scanLine(pictureRow);
        const std::size_t offset = static_cast<std::size_t>(height - 1 - pictureRow) * static_cast<std::size_t>(width);
        const float* blue = planes.blue() + offset;
        const float* green = planes.green() + offset;
        const float* red = planes.red() + offset;
        for (int x = 0; x < width; ++x) {
            pixels[3 * x] = narrowSample(blue[x]);
            pixels[3 * x + 1] = narrowSample(green[x]);
            pixels[3 * x + 2] = narrowSample(red[x]);
        }
    }
}

ImagePlanes planesFromBitmap(const QImage& bitmap) {
    const QImage converted =
        bitmap.format() == QImage::Format_BGR888 ? bitmap : bitmap.convertToFormat(QImage::Format_BGR888);
    ImagePlanes planes(converted.width(), converted.height());
    BitmapToPlanes(converted, planes);
    return planes;
}

QImage bitmapFromPlanes(const ImagePlanes& planes) {
    if (planes.empty()) {
        return {};
    }
    QImage bitmap(planes.width(), planes.height(), QImage::Format_BGR888);
    if (bitmap.isNull()) {
        throw Error("Not enough memory for a picture of " + std::to_string(planes.width()) + " x " +
                    std::to_string(planes.height()) + " pixels");
    }
    PlanesToBitmap(bitmap, planes);
    return bitmap;
}

}  // namespace brenlow
