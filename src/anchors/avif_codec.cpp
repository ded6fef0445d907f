#include <avif/avif.h>

#include <cmath>
#include <memory>

#include "anchors/built_in_codecs.h"
#include "io/error.h"

namespace brenlow::anchors {
namespace {

struct ImageDeleter {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderDeleter {
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};
struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};

// Frees the file the encoder wrote on every way out.
struct WrittenData {
    avifRWData data = AVIF_DATA_EMPTY;
    WrittenData() = default;
    ~WrittenData() { avifRWDataFree(&data); }
    WrittenData(const WrittenData&) = delete;
    WrittenData& operator=(const WrittenData&) = delete;
};

// The library's own detail when it left one, otherwise its result's name.
std::string reason(avifResult result, const avifDiagnostics& diagnostics) {
    return diagnostics.error[0] != '\0' ? std::string(diagnostics.error) : std::string(avifResultToString(result));
}

// libavif 0.11 takes quantizers, 0 (best) to 63 (worst), not a quality.
int quantizerFor(int quality) { return static_cast<int>(std::lround((100 - quality) * 63 / 100.0)); }

avifRGBImage bgrView(const avifImage* image, const QImage& picture, uchar* pixels) {
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    rgb.pixels = pixels;
    rgb.rowBytes = static_cast<std::uint32_t>(picture.bytesPerLine());
    return rgb;
}

avifPixelFormat pixelFormatOf(const std::string& yuv) {
    return yuv == "444" ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420;
}

std::unique_ptr<avifImage, ImageDeleter> yuvImageOf(const QImage& picture, avifPixelFormat format) {
    std::unique_ptr<avifImage, ImageDeleter> image(
        avifImageCreate(static_cast<std::uint32_t>(picture.width()), static_cast<std::uint32_t>(picture.height()), 8,
                        format));
    if (!image) throw Error("AVIF encoder failed: not enough memory");
    // The library only reads the pixels it converts.
    const avifRGBImage rgb = bgrView(image.get(), picture, const_cast<uchar*>(picture.constBits()));
    const avifResult result = avifImageRGBToYUV(image.get(), &rgb);
    if (result != AVIF_RESULT_OK) throw Error(std::string("AVIF encoder failed: ") + avifResultToString(result));
    return image;
}

const char* encoderName() {
    const char* name = avifCodecName(AVIF_CODEC_CHOICE_AUTO, AVIF_CODEC_FLAG_CAN_ENCODE);
    return name != nullptr ? name : "none";
}

class AvifCodec final : public AnchorCodec {
public:
    std::string name() const override { return "avif"; }
    std::string title() const override { return "AVIF"; }
    std::string extension() const override { return ".avif"; }
    QualityRange qualities() const override { return {0, 100}; }

    std::vector<SettingDescription> settingDescriptions() const override {
        // Speed 6: a 512 x 512 photograph codes in a fraction of a second with aom, where the
        // library's default speed takes several.
        return {{"speed", "encoder speed, 0 slowest and smallest files, 10 fastest", 0, 10, {}, "6"},
                {"yuv", "chroma subsampling", 0, 0, {"420", "444"}, "420"}};
    }

    Bytes encodeWith(const QImage& source, int quality, const CodecSettings& settings) const override {
        const QImage picture = bgrPictureFor(source, "AVIF");
        const auto image = yuvImageOf(picture, pixelFormatOf(settings.at("yuv")));
        std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
        if (!encoder) throw Error("AVIF encoder failed: not enough memory");
        encoder->codecChoice = AVIF_CODEC_CHOICE_AUTO;
        encoder->maxThreads = 1;
        encoder->speed = settingNumber(settings, "speed");
        encoder->minQuantizer = encoder->maxQuantizer = quantizerFor(quality);
        WrittenData written;
        const avifResult result = avifEncoderWrite(encoder.get(), image.get(), &written.data);
        if (result != AVIF_RESULT_OK) throw Error("AVIF encoder failed: " + reason(result, encoder->diag));
        return Bytes(written.data.data, written.data.data + written.data.size);
    }

    QImage decode(std::span<const std::uint8_t> file) const override {
        std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
        if (!decoder) throw Error("AVIF decoder failed: not enough memory");
        decoder->maxThreads = 1;
        avifResult result = avifDecoderSetIOMemory(decoder.get(), file.data(), file.size());
        if (result == AVIF_RESULT_OK) result = avifDecoderParse(decoder.get());
        if (result != AVIF_RESULT_OK) throw Error("AVIF decoder failed: " + reason(result, decoder->diag));
        QImage picture = newBgrPicture(decoder->image->width, decoder->image->height, "AVIF");
        result = avifDecoderNextImage(decoder.get());
        if (result != AVIF_RESULT_OK) throw Error("AVIF decoder failed: " + reason(result, decoder->diag));
        if (decoder->image->width != static_cast<std::uint32_t>(picture.width()) ||
            decoder->image->height != static_cast<std::uint32_t>(picture.height())) {
            throw Error("AVIF decoder failed: the picture is not the size its header announces");
        }
        avifRGBImage rgb = bgrView(decoder->image, picture, picture.bits());
        result = avifImageYUVToRGB(decoder->image, &rgb);
        if (result != AVIF_RESULT_OK) throw Error(std::string("AVIF decoder failed: ") + avifResultToString(result));
        return picture;
    }

    std::string libraryVersion() const override {
        char codecs[256] = {};
        avifCodecVersions(codecs);
        return std::string("libavif ") + avifVersion() + " (" + codecs + ")";
    }

    std::string describeSettings(const CodecSettings& settings) const override {
        const std::string& yuv = settings.at("yuv");
        return "YUV " + yuv.substr(0, 1) + ":" + yuv.substr(1, 1) + ":" + yuv.substr(2, 1) +
               " 8-bit, min = max quantizer round((100 - q) x 63 / 100), speed " + settings.at("speed") + ", encoder " +
               encoderName() + " (libavif's automatic choice), 1 thread";
    }
};

}  // namespace

const AnchorCodec& avifCodec() {
    static const AvifCodec codec;
    return codec;
}

}  // namespace brenlow::anchors
