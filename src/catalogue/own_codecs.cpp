#include "catalogue/own_codecs.h"

#include <charconv>

#include "catalogue/codec_registry.h"
#include "codecs/codec_steps.h"
#include "codecs/still_codecs.h"
#include "container/coded_image.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {
namespace {

// The toolbar's fields take any whole number, so a run default may lie outside a setting's range.
long wholeNumber(const CodecSettings& settings, const std::string& key) {
    const auto value = settings.find(key);
    long number = 0;
    if (value == settings.end()) throw Error("The setting " + key + " is missing");
    const std::string& text = value->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) throw Error("The setting " + key + " is not a number");
    return number;
}

class JpegCoding final : public CodecCoding {
public:
    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        return SaveAsJpeg(picture.bitmap, stillParametersFrom(settings, quality).quality, jpegOptionsFrom(settings));
    }
    QImage decode(std::span<const std::uint8_t> file, int, const CodecSettings&) const override {
        QImage picture;
        LoadJpeg(picture, file);
        return picture;
    }
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override {
        return runJpegExperiment(document, stillParametersFrom(settings, quality).quality, jpegOptionsFrom(settings));
    }
};

class AvcCoding final : public CodecCoding {
public:
    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        const StillParameters parameters = stillParametersFrom(settings, quality);
        if (picture.planes != nullptr && !picture.planes->empty()) return encodeAvcFile(*picture.planes, parameters);
        // The same bytes as encodeAvcFile on the bitmap's planes, without making them (144 MB at 12 MP).
        return buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes,
                               codeHalfSize(picture.bitmap, parameters.divisor, parameters.quality));
    }
    QImage decode(std::span<const std::uint8_t> file, int, const CodecSettings&) const override {
        return decodeAvcPicture(decodeCodedImage(file, CodedImageKind::AvcStill), {}, false)
            .bitmap;
    }
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override {
        return encodeAvcStill(document, stillParametersFrom(settings, quality));
    }
};

class AjcCoding final : public CodecCoding {
public:
    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        return encodeAjcFile(picture.sourceFile.isNull() ? picture.bitmap : picture.sourceFile,
                             stillParametersFrom(settings, quality));
    }
    QImage decode(std::span<const std::uint8_t> file, int, const CodecSettings&) const override {
        return decodeAjcPicture(decodeCodedImage(file, CodedImageKind::AjcStill), {}, false)
            .bitmap;
    }
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override {
        return encodeAjcStill(document, stillParametersFrom(settings, quality));
    }
};

}  // namespace

std::shared_ptr<const CodecCoding> jpegCoding() { return std::make_shared<JpegCoding>(); }

std::shared_ptr<const CodecCoding> avcCoding() { return std::make_shared<AvcCoding>(); }

std::shared_ptr<const CodecCoding> ajcCoding() { return std::make_shared<AjcCoding>(); }

StillParameters stillParametersFrom(const CodecSettings& settings, int quality) {
    StillParameters parameters;
    parameters.quality = static_cast<std::uint8_t>(quality);
    // The AVC and AJC commands read their divisor field alike.
    if (settings.contains("divisor")) parameters.divisor = divisorFor(wholeNumber(settings, "divisor"), Command::AvcStill);
    if (settings.contains("focus")) parameters.passes = focusFor(wholeNumber(settings, "focus"));
    return parameters;
}

}  // namespace brenlow
