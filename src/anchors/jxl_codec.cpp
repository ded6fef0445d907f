#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cstdio>

#include "anchors/built_in_codecs.h"
#include "imaging/parallel.h"
#include "io/error.h"

namespace brenlow::anchors {
namespace {

constexpr int kThreads = 2;  // one under CodingOnCallingThread
// libjxl 0.7 refuses larger distances; the quadratic below reaches it at quality 10.
constexpr float kMaxDistance = 15.0f;

// The distance libjxl's later releases give a quality: linear from 0.1 at 100 to 6.4 at 30, then
// the quadratic that meets that line at 30 with the same slope and reaches 25 at 0.
float distanceFor(int quality) {
    const double q = quality;
    const double distance = q >= 30 ? 0.1 + (100 - q) * 0.09 : 53.0 / 3000.0 * q * q - 23.0 / 20.0 * q + 25.0;
    return std::min(static_cast<float>(distance), kMaxDistance);
}

const char* encodingProblem(JxlEncoderError error) {
    switch (error) {
        case JXL_ENC_ERR_OOM:
            return "not enough memory";
        case JXL_ENC_ERR_BAD_INPUT:
            return "the picture was refused";
        case JXL_ENC_ERR_NOT_SUPPORTED:
            return "the setting is not supported by this libjxl";
        default:
            return "unexpected error";
    }
}

void check(JxlEncoderStatus status, JxlEncoder* encoder) {
    if (status != JXL_ENC_SUCCESS)
        throw Error(std::string("JPEG XL encoder failed: ") + encodingProblem(JxlEncoderGetError(encoder)));
}

// 8-bit RGB rows laid out as the picture's, so its own buffer serves: Qt pads rows to 4 bytes.
JxlPixelFormat rowsOf(const QImage& picture) {
    return {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, static_cast<std::size_t>(picture.bytesPerLine())};
}

void describePicture(JxlEncoder* encoder, const QImage& picture) {
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = static_cast<std::uint32_t>(picture.width());
    info.ysize = static_cast<std::uint32_t>(picture.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_FALSE;
    check(JxlEncoderSetBasicInfo(encoder, &info), encoder);
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    check(JxlEncoderSetColorEncoding(encoder, &colour), encoder);
}

Bytes collectOutput(JxlEncoder* encoder) {
    Bytes file(64 * 1024);
    std::size_t used = 0;
    for (;;) {
        std::uint8_t* next = file.data() + used;
        std::size_t room = file.size() - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &room);
        used = file.size() - room;
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) check(status, encoder);
        file.resize(file.size() * 2);
    }
    file.resize(used);
    return file;
}

// The library's worker threads for one call, or none: without a runner it codes on the calling
// thread, as a timed coding needs. The files are the same either way.
JxlThreadParallelRunnerPtr workersForCall() {
    if (codingOnCallingThread()) return nullptr;
    JxlThreadParallelRunnerPtr runner = JxlThreadParallelRunnerMake(nullptr, kThreads);
    if (!runner) throw Error("JPEG XL failed: not enough memory");
    return runner;
}

std::string versionText(std::uint32_t packed) {
    return std::to_string(packed / 1000000) + "." + std::to_string(packed / 1000 % 1000) + "." +
           std::to_string(packed % 1000);
}

std::string decimal(double value) {
    char text[16];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

class JxlCodec final : public AnchorCodec {
public:
    std::string name() const override { return "jxl"; }
    std::string title() const override { return "JPEG XL"; }
    std::string extension() const override { return ".jxl"; }
    QualityRange qualities() const override { return {0, 100}; }

    std::vector<SettingDescription> settingDescriptions() const override {
        return {{"effort", "encoder effort, 1 fastest, 9 smallest files", 1, 9, {}, "7"}};  // 7: libjxl's default
    }

    Bytes encodeWith(const QImage& source, int quality, const CodecSettings& settings) const override {
        QImage picture = bgrPictureFor(source, "JPEG XL").copy();
        swapRedAndBlue(picture);
        const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
        if (!encoder) throw Error("JPEG XL encoder failed: not enough memory");
        const JxlThreadParallelRunnerPtr runner = workersForCall();
        if (runner)
            check(JxlEncoderSetParallelRunner(encoder.get(), JxlThreadParallelRunner, runner.get()), encoder.get());
        describePicture(encoder.get(), picture);
        JxlEncoderFrameSettings* frame = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
        check(JxlEncoderFrameSettingsSetOption(frame, JXL_ENC_FRAME_SETTING_EFFORT, settingNumber(settings, "effort")), encoder.get());
        check(JxlEncoderSetFrameDistance(frame, distanceFor(quality)), encoder.get());
        const JxlPixelFormat format = rowsOf(picture);
        check(JxlEncoderAddImageFrame(frame, &format, picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes())),
              encoder.get());
        JxlEncoderCloseInput(encoder.get());
        return collectOutput(encoder.get());
    }

    QImage decode(std::span<const std::uint8_t> file) const override {
        // Checked first, so that the library does not print its own complaint about other files.
        const JxlSignature signature = JxlSignatureCheck(file.data(), file.size());
        if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) {
            throw Error("JPEG XL decoder failed: not a JPEG XL file");
        }
        const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
        if (!decoder) throw Error("JPEG XL decoder failed: not enough memory");
        const JxlThreadParallelRunnerPtr runner = workersForCall();
        if (JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
            (runner && JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) !=
                           JXL_DEC_SUCCESS) ||
            JxlDecoderSetInput(decoder.get(), file.data(), file.size()) != JXL_DEC_SUCCESS) {
            throw Error("JPEG XL decoder failed: the library refused its settings");
        }
        JxlDecoderCloseInput(decoder.get());
        QImage picture;
        bool decoded = false;
        for (;;) {
            switch (JxlDecoderProcessInput(decoder.get())) {
                case JXL_DEC_BASIC_INFO:
                    picture = pictureFromHeader(decoder.get());
                    break;
                case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
                    acceptPixels(decoder.get(), picture);
                    break;
                case JXL_DEC_FULL_IMAGE:
                    decoded = true;
                    break;
                case JXL_DEC_SUCCESS:
                    if (!decoded) throw Error("JPEG XL decoder failed: the file holds no picture");
                    swapRedAndBlue(picture);
                    return picture;
                case JXL_DEC_NEED_MORE_INPUT:
                    throw Error("JPEG XL decoder failed: the file is cut short");
                default:
                    throw Error("JPEG XL decoder failed: not a JPEG XL file, or it is damaged");
            }
        }
    }

    std::string libraryVersion() const override { return "libjxl " + versionText(JxlEncoderVersion()); }

    std::string describeSettings(const CodecSettings& settings) const override {
        return "lossy (XYB), distance 0.1 + (100 - q) x 0.09 for q >= 30, 53/3000 q^2 - 23/20 q + 25 below, "
               "capped at " + decimal(kMaxDistance) + " (q " + std::to_string(75) + " gives " +
               decimal(distanceFor(75)) + "), effort " + settings.at("effort") + ", " +
               std::to_string(kThreads) + " threads (1 while a sweep times it)";
    }

private:
    static QImage pictureFromHeader(JxlDecoder* decoder) {
        JxlBasicInfo info;
        if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
            throw Error("JPEG XL decoder failed: its header is damaged");
        return newBgrPicture(info.xsize, info.ysize, "JPEG XL");
    }

    static void acceptPixels(JxlDecoder* decoder, QImage& picture) {
        const JxlPixelFormat format = rowsOf(picture);
        std::size_t needed = 0;
        if (picture.isNull() || JxlDecoderImageOutBufferSize(decoder, &format, &needed) != JXL_DEC_SUCCESS ||
            needed > static_cast<std::size_t>(picture.sizeInBytes()) ||
            JxlDecoderSetImageOutBuffer(decoder, &format, picture.bits(),
                                        static_cast<std::size_t>(picture.sizeInBytes())) != JXL_DEC_SUCCESS) {
            throw Error("JPEG XL decoder failed: the picture does not fit its announced size");
        }
    }
};

}  // namespace

const AnchorCodec& jxlCodec() {
    static const JxlCodec codec;
    return codec;
}

}  // namespace brenlow::anchors
