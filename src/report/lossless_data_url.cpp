#include "report/lossless_data_url.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>

#include "io/error.h"
#include "measures/linear_srgb.h"

#ifdef BRENLOW_REPORT_WEBP
#include <webp/encode.h>
#endif

namespace brenlow {
namespace {

QImage untaggedSrgb(const QImage& picture) {
    QImage shown = picture.convertToFormat(QImage::Format_RGB888);
    if (!declaresSrgb(shown.colorSpace())) shown.convertToColorSpace(QColorSpace::SRgb);
    shown.setColorSpace(QColorSpace());
    return shown;
}

std::string dataUrl(const char* type, const QByteArray& bytes) {
    return std::string("data:") + type + ";base64," + bytes.toBase64().toStdString();
}

#ifdef BRENLOW_REPORT_WEBP
// A light effort: the page's crops are many and small, and the highest effort saves a few per cent
// at several times the time.
constexpr int kWebpEffort = 2;

int appendBytes(const std::uint8_t* data, std::size_t size, const WebPPicture* picture) {
    static_cast<QByteArray*>(picture->custom_ptr)->append(reinterpret_cast<const char*>(data),
                                                          static_cast<qsizetype>(size));
    return 1;
}

std::string webpDataUrl(const QImage& rgb) {
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
    return dataUrl("image/webp", bytes);
}
#else
std::string pngDataUrl(const QImage& rgb) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!rgb.save(&buffer, "PNG")) throw Error("A crop of a picture cannot be made into a PNG for the page");
    return dataUrl("image/png", png);
}
#endif

}  // namespace

std::string losslessDataUrl(const QImage& picture) {
#ifdef BRENLOW_REPORT_WEBP
    return webpDataUrl(untaggedSrgb(picture));
#else
    return pngDataUrl(untaggedSrgb(picture));
#endif
}

}  // namespace brenlow
