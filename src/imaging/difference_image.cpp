#include "imaging/difference_image.h"

#include <algorithm>
#include <cstdlib>

#include "io/error.h"

namespace brenlow {
namespace {

QImage bottomLeft(const QImage& picture, int width, int height) {
    if (picture.width() == width && picture.height() == height) return picture;
    return picture.copy(0, picture.height() - height, width, height);
}

}  // namespace

std::pair<QImage, QImage> commonAreaOf(const QImage& reference, const QImage& test) {
    const int width = std::min(reference.width(), test.width());
    const int height = std::min(reference.height(), test.height());
    return {bottomLeft(reference, width, height), bottomLeft(test, width, height)};
}

QImage amplifiedDifference(const QImage& reference, const QImage& test, int gain) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("The difference image needs pictures of 24 bits per pixel");
    }
    if (gain < 1) {
        throw Error("The difference image needs a gain of at least 1");
    }
    const auto [a, b] = commonAreaOf(reference, test);
    if (a.width() == 0 || a.height() == 0) {
        throw Error("The two pictures have no pixels in common");
    }
    QImage difference(a.width(), a.height(), QImage::Format_BGR888);
    const int bytes = 3 * a.width();
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        uchar* out = difference.scanLine(y);
        for (int i = 0; i < bytes; ++i) out[i] = static_cast<uchar>(std::min(255, std::abs(q[i] - p[i]) * gain));
    }
    return difference;
}

}  // namespace brenlow
