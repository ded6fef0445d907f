#include <utility>

#include "anchors/built_in_codecs.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace anchors {

QImage bgrPictureFor(const QImage& picture, const char* codec) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        throw Error(std::string(codec) + " encoder: the picture is empty");
    }
    return picture.format() == QImage::Format_BGR888 ? picture : picture.convertToFormat(QImage::Format_BGR888);
}

QImage newBgrPicture(std::int64_t width, std::int64_t height, const char* codec) {
    checkPictureSize(width, height, std::string("The ") + codec + " picture");
    QImage picture(static_cast<int>(width), static_cast<int>(height), QImage::Format_BGR888);
    if (picture.isNull()) {
        throw Error(std::string("Not enough memory for the ") + codec + " picture of " + std::to_string(width) +
                    " x " + std::to_string(height) + " pixels");
    }
    return picture;
}

void swapRedAndBlue(QImage& picture) {
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        uchar* pixel = picture.scanLine(y);
        for (int x = 0; x < width; ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
    }
}

}  // namespace anchors
}  // namespace brenlow
