#include "anchors/anchor_codec.h"

#include <utility>

#include "anchors/built_in_codecs.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace anchors {

// Each defined in its own file, which is built only with its library.
const AnchorCodec& webpCodec();
const AnchorCodec& avifCodec();
const AnchorCodec& jxlCodec();
const AnchorCodec& jp2Codec();

}  // namespace anchors

namespace {

// One row per library codec, in the order every listing shows them.
std::vector<const AnchorCodec*> builtInCodecs() {
    std::vector<const AnchorCodec*> codecs;
#ifdef BRENLOW_HAS_WEBP
    codecs.push_back(&anchors::webpCodec());
#endif
#ifdef BRENLOW_HAS_AVIF
    codecs.push_back(&anchors::avifCodec());
#endif
#ifdef BRENLOW_HAS_JXL
    codecs.push_back(&anchors::jxlCodec());
#endif
#ifdef BRENLOW_HAS_JP2
    codecs.push_back(&anchors::jp2Codec());
#endif
    return codecs;
}

}  // namespace

Bytes AnchorCodec::encode(const QImage& picture, int quality) const {
    return encodeWith(picture, quality, defaultSettings());
}

std::string AnchorCodec::settings() const { return describeSettings(defaultSettings()); }

CodecSettings AnchorCodec::defaultSettings() const { return resolvedSettings({}, settingDescriptions()); }

const std::vector<const AnchorCodec*>& anchorCodecs() {
    static const std::vector<const AnchorCodec*> codecs = builtInCodecs();
    return codecs;
}

const AnchorCodec* anchorCodecNamed(std::string_view name) {
    for (const AnchorCodec* codec : anchorCodecs())
        if (codec->name() == name) return codec;
    return nullptr;
}

std::string anchorCodecNames() {
    std::string names;
    for (const AnchorCodec* codec : anchorCodecs()) names += (names.empty() ? "" : ", ") + codec->name();
    return names;
}

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
