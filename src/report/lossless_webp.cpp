#include "report/lossless_webp.h"

#include <webp/encode.h>

#include "io/error.h"

namespace brenlow {
namespace {

// A light effort: the page's crops are many and small, and the highest effort saves a few per cent
// at several times the time.
constexpr int kWebpEffort = 2;

int appendBytes(const std::uint8_t* data, std::size_t size, const WebPPicture* picture) {
    static_cast<QByteArray*>(picture->custom_ptr)->append(reinterpret_cast<const char*>(data),
                                                          static_cast<qsizetype>(size));
    return 1;
}

}  // namespace

QByteArray losslessWebpFile(const QImage& rgb) {
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, kWebpEffort) || !WebPPictureInit(&picture))
        throw Error("The WebP library cannot be set up to make the page's crops");
    config.exact = 1;
    picture.use_argb = 1;
    picture.width = rgb.width();
    picture.height = rgb.height();
    QByteArray bytes;
    picture.writer = appendBytes;
    picture.custom_ptr = &bytes;
    const bool encoded = WebPPictureImportRGB(&picture, rgb.constBits(), static_cast<int>(rgb.bytesPerLine())) &&
                         WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    if (!encoded) throw Error("A crop of a picture cannot be made into a lossless WebP for the page");
    return bytes;
}

}  // namespace brenlow
