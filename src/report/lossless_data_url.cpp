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
std::string webpDataUrl(const QImage& rgb) {
    std::uint8_t* output = nullptr;
    const std::size_t size =
        WebPEncodeLosslessRGB(rgb.constBits(), rgb.width(), rgb.height(), static_cast<int>(rgb.bytesPerLine()), &output);
    if (size == 0) throw Error("A crop of a picture cannot be made into a lossless WebP for the page");
    const QByteArray bytes(reinterpret_cast<const char*>(output), static_cast<qsizetype>(size));
    WebPFree(output);
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
