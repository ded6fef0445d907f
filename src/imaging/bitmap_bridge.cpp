#include "imaging/bitmap_bridge.h"

#include "imaging/parallel.h"
#include "imaging/row_kernels.h"
#include "imaging/vector_clones.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

using rows::narrowPixelRow;

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

std::size_t planeRowOffset(int pictureRow, int width, int height) {
    return static_cast<std::size_t>(height - 1 - pictureRow) * static_cast<std::size_t>(width);
}

BRENLOW_WIDE_VECTOR_CLONES void widenPixelRow(const uchar* pixels, int width, float* red, float* green, float* blue) {
    for (int x = 0; x < width; ++x) {
        blue[x] = pixels[3 * x];
        green[x] = pixels[3 * x + 1];
        red[x] = pixels[3 * x + 2];
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
    parallelRows(0, height, [&](int rowBegin, int rowEnd) {
        for (int pictureRow = rowBegin; pictureRow < rowEnd; ++pictureRow) {
            const std::size_t offset = planeRowOffset(pictureRow, width, height);
            widenPixelRow(bitmap.constScanLine(pictureRow), width, planes.red() + offset, planes.green() + offset,
                          planes.blue() + offset);
        }
    });
}

void PlanesToBitmap(QImage& bitmap, const ImagePlanes& planes) {
    requireBgr888(bitmap);
    requireSameSize(bitmap, planes);
    const int width = planes.width();
    const int height = planes.height();
    uchar* firstLine = bitmap.bits();  // detaches once, before the threads start
    const auto bytesPerLine = static_cast<std::size_t>(bitmap.bytesPerLine());
    parallelRows(0, height, [&](int rowBegin, int rowEnd) {
        for (int pictureRow = rowBegin; pictureRow < rowEnd; ++pictureRow) {
            uchar* pixels = firstLine + static_cast<std::size_t>(pictureRow) * bytesPerLine;
            const std::size_t offset = planeRowOffset(pictureRow, width, height);
            narrowPixelRow(planes.red() + offset, planes.green() + offset, planes.blue() + offset, width, pixels);
        }
    });
}

ImagePlanes planesFromBitmap(const QImage& bitmap) {
    const QImage converted = as24BitPicture(bitmap);
    ImagePlanes planes(converted.width(), converted.height());
    BitmapToPlanes(converted, planes);
    return planes;
}

QImage bitmapFromPlanes(const ImagePlanes& planes) {
    if (planes.empty()) {
        return {};
    }
    QImage bitmap = makeBitmap(planes.width(), planes.height());
    PlanesToBitmap(bitmap, planes);
    return bitmap;
}

}  // namespace brenlow
