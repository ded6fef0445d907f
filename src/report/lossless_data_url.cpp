#include "report/lossless_data_url.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>

#include "io/error.h"
#include "measures/linear_srgb.h"
#include "modules/module_loader.h"

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

std::string pngDataUrl(const QImage& rgb) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!rgb.save(&buffer, "PNG")) throw Error("A crop of a picture cannot be made into a PNG for the page");
    return dataUrl("image/png", png);
}

// The WebP library's writer, where its module was built and opens.
QByteArray (*webpWriter())(const QImage&) {
#ifdef BRENLOW_REPORT_WEBP
    const OpenedModule& webp = openedModule("webp");
    return webp.table != nullptr ? webp.table->losslessWebp : nullptr;
#else
    return nullptr;
#endif
}

}  // namespace

std::string losslessDataUrl(const QImage& picture) {
    const QImage rgb = untaggedSrgb(picture);
    if (const auto writeWebp = webpWriter()) return dataUrl("image/webp", writeWebp(rgb));
    return pngDataUrl(rgb);
}

}  // namespace brenlow
