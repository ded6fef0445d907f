#include <webp/decode.h>
#include <webp/encode.h>

#include "anchors/built_in_codecs.h"
#include "io/error.h"

namespace brenlow::anchors {
namespace {

const char* encodingProblem(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return "not enough memory";
        case VP8_ENC_ERROR_BAD_DIMENSION:
            return "the picture is larger than 16383 x 16383 pixels";
        case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
        case VP8_ENC_ERROR_PARTITION_OVERFLOW:
            return "the picture's first partition is too large for the format (try a lower quality)";
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return "the file would be larger than 4 GB";
        default:
            return "unexpected error";
    }
}

std::string versionText(int packed) {
    return std::to_string(packed >> 16) + "." + std::to_string((packed >> 8) & 0xff) + "." +
           std::to_string(packed & 0xff);
}

// Frees what the encoder holds on every way out.
struct EncodingState {
    WebPPicture picture;
    WebPMemoryWriter writer;
    EncodingState() {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    ~EncodingState() {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
    EncodingState(const EncodingState&) = delete;
    EncodingState& operator=(const EncodingState&) = delete;
};

class WebpCodec final : public AnchorCodec {
public:
    std::string name() const override { return "webp"; }
    std::string title() const override { return "WebP"; }
    std::string extension() const override { return ".webp"; }
    QualityRange qualities() const override { return {0, 100}; }

    std::vector<SettingDescription> settingDescriptions() const override {
        // libwebp's default method: its own balance of speed against size.
        return {{"method", "encoder effort, 0 fastest, 6 smallest files", 0, 6, {}, "4"}};
    }

    Bytes encodeWith(const QImage& source, int quality, const CodecSettings& settings) const override {
        const QImage picture = bgrPictureFor(source, "WebP");
        WebPConfig config;
        if (!WebPConfigInit(&config)) throw Error("WebP encoder failed: the library does not match its header");
        config.quality = static_cast<float>(quality);
        config.method = settingNumber(settings, "method");
        config.thread_level = 0;  // the library's default, said here: it codes on the calling thread
        EncodingState state;
        state.picture.width = picture.width();
        state.picture.height = picture.height();
        state.picture.writer = WebPMemoryWrite;
        state.picture.custom_ptr = &state.writer;
        if (!WebPPictureImportBGR(&state.picture, picture.constBits(), static_cast<int>(picture.bytesPerLine())) ||
            !WebPEncode(&config, &state.picture)) {
            throw Error(std::string("WebP encoder failed: ") + encodingProblem(state.picture.error_code));
        }
        return Bytes(state.writer.mem, state.writer.mem + state.writer.size);
    }

    QImage decode(std::span<const std::uint8_t> file) const override {
        int width = 0;
        int height = 0;
        if (!WebPGetInfo(file.data(), file.size(), &width, &height)) {
            throw Error("WebP decoder failed: not a WebP file, or its header is damaged");
        }
        QImage picture = newBgrPicture(width, height, "WebP");
        const std::size_t bufferSize = static_cast<std::size_t>(picture.sizeInBytes());
        if (WebPDecodeBGRInto(file.data(), file.size(), picture.bits(), bufferSize,
                              static_cast<int>(picture.bytesPerLine())) == nullptr) {
            throw Error("WebP decoder failed: the file is damaged or cut short");
        }
        return picture;
    }

    std::string libraryVersion() const override { return "libwebp " + versionText(WebPGetEncoderVersion()); }

    std::string describeSettings(const CodecSettings& settings) const override {
        const std::string method = settings.at("method");
        return "lossy, quality as given (0-100), method " + method + (method == "4" ? " (libwebp's default)" : "");
    }
};

}  // namespace

const AnchorCodec& webpCodec() {
    static const WebpCodec codec;
    return codec;
}

}  // namespace brenlow::anchors
