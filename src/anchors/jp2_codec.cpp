#include <openjpeg.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>

#include "anchors/built_in_codecs.h"
#include "anchors/jp2_streams.h"
#include "imaging/parallel.h"
#include "io/error.h"

namespace brenlow::anchors {
namespace {

constexpr int kChannels = 3;

// One quality layer at a compression ratio against the 24-bit picture: 4:1 at quality 100,
// doubling every 12.5 steps down (16:1 at 75, 64:1 at 50, 1024:1 at 0), the span JPEG
// qualities cover on photographs.
float ratioFor(int quality) { return static_cast<float>(4.0 * std::exp2((100 - quality) / 12.5)); }

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using Codec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using Image = std::unique_ptr<opj_image_t, ImageDeleter>;

// OpenJPEG's messages end in a new line; the last error is the one a person reads.
void keepError(const char* message, void* user) {
    std::string& kept = *static_cast<std::string*>(user);
    kept = message;
    while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r')) kept.pop_back();
}
void ignoreMessage(const char*, void*) {}

Codec newCodec(opj_codec_t* codec, std::string& lastError, const char* failure) {
    if (codec == nullptr) throw Error(std::string(failure) + "not enough memory");
    opj_set_error_handler(codec, keepError, &lastError);
    opj_set_warning_handler(codec, ignoreMessage, nullptr);
    opj_set_info_handler(codec, ignoreMessage, nullptr);
    return Codec(codec);
}

// Each resolution halves the picture; OpenJPEG needs at least one pixel left at the smallest.
int resolutionsFor(const QImage& picture, int asked) {
    const auto shorter = static_cast<unsigned>(std::min(picture.width(), picture.height()));
    return std::min(asked, static_cast<int>(std::bit_width(shorter)));
}

Image planarImageOf(const QImage& picture) {
    opj_image_cmptparm_t channels[kChannels] = {};
    for (opj_image_cmptparm_t& channel : channels) {
        channel.dx = channel.dy = 1;
        channel.w = static_cast<OPJ_UINT32>(picture.width());
        channel.h = static_cast<OPJ_UINT32>(picture.height());
        channel.prec = 8;
    }
    Image image(opj_image_create(kChannels, channels, OPJ_CLRSPC_SRGB));
    if (!image) throw Error("JPEG 2000 encoder failed: not enough memory");
    image->x1 = channels[0].w;
    image->y1 = channels[0].h;
    const int width = picture.width();
    OPJ_INT32* red = image->comps[0].data;
    OPJ_INT32* green = image->comps[1].data;
    OPJ_INT32* blue = image->comps[2].data;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* pixel = picture.constScanLine(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            *blue++ = pixel[0];
            *green++ = pixel[1];
            *red++ = pixel[2];
        }
    }
    return image;
}

opj_cparameters_t encoderParameters(const QImage& picture, int quality, int resolutions) {
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.irreversible = 1;
    parameters.tcp_mct = 1;
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = ratioFor(quality);
    parameters.cp_disto_alloc = 1;
    parameters.numresolution = resolutionsFor(picture, resolutions);
    return parameters;
}

// The decoded picture's channels must all cover it sample for sample, 8-bit unsigned.
bool plainChannels(const opj_image_t& image, OPJ_UINT32 width, OPJ_UINT32 height) {
    if (image.numcomps != 1 && image.numcomps != kChannels) return false;
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
        const opj_image_comp_t& channel = image.comps[c];
        if (channel.dx != 1 || channel.dy != 1 || channel.w != width || channel.h != height || channel.prec != 8 ||
            channel.sgnd != 0)
            return false;
    }
    return true;
}

bool hasSamples(const opj_image_t& image) {
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c)
        if (image.comps[c].data == nullptr) return false;
    return true;
}

void copyChannels(const opj_image_t& image, QImage& picture) {
    const bool grey = image.numcomps == 1;
    const OPJ_INT32* red = image.comps[0].data;
    const OPJ_INT32* green = image.comps[grey ? 0 : 1].data;
    const OPJ_INT32* blue = image.comps[grey ? 0 : 2].data;
    const int width = picture.width();
    const auto sample = [](OPJ_INT32 value) { return static_cast<uchar>(std::clamp(value, 0, 255)); };
    for (int y = 0; y < picture.height(); ++y) {
        uchar* pixel = picture.scanLine(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            pixel[0] = sample(*blue++);
            pixel[1] = sample(*green++);
            pixel[2] = sample(*red++);
        }
    }
}

// OpenJPEG codes on the calling thread unless OPJ_NUM_THREADS asks for workers; while a sweep times
// it, it keeps to that thread whatever the environment says. A build without threads has none to
// give up, so the answer does not matter.
void keepToCallingThreadWhenTimed(opj_codec_t* codec) {
    if (codingOnCallingThread()) opj_codec_set_threads(codec, 0);
}

std::string reasonOr(const std::string& lastError, const char* otherwise) {
    return lastError.empty() ? otherwise : lastError;
}

class Jp2Codec final : public AnchorCodec {
public:
    std::string name() const override { return "jp2"; }
    std::string title() const override { return "JPEG 2000"; }
    std::string extension() const override { return ".jp2"; }
    QualityRange qualities() const override { return {0, 100}; }

    std::vector<SettingDescription> settingDescriptions() const override {
        // 6: OpenJPEG's default, five wavelet levels.
        return {{"resolutions", "resolution levels, each half the size of the one above (wavelet levels + 1)", 1, 10,
                 {}, "6"}};
    }

    Bytes encodeWith(const QImage& source, int quality, const CodecSettings& settings) const override {
        const char* failure = "JPEG 2000 encoder failed: ";
        const QImage picture = bgrPictureFor(source, "JPEG 2000");
        const Image image = planarImageOf(picture);
        std::string lastError;
        const Codec codec = newCodec(opj_create_compress(OPJ_CODEC_JP2), lastError, failure);
        opj_cparameters_t parameters = encoderParameters(picture, quality, settingNumber(settings, "resolutions"));
        Jp2Sink sink;
        const Jp2Stream stream = writingStream(sink);
        const bool setUp = opj_setup_encoder(codec.get(), &parameters, image.get());
        if (setUp) keepToCallingThreadWhenTimed(codec.get());
        if (!setUp || !opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
            !opj_end_compress(codec.get(), stream.get())) {
            throw Error(failure + reasonOr(lastError, "unexpected error"));
        }
        return std::move(sink.bytes);
    }

    QImage decode(std::span<const std::uint8_t> file) const override {
        const char* failure = "JPEG 2000 decoder failed: ";
        std::string lastError;
        const Codec codec = newCodec(opj_create_decompress(OPJ_CODEC_JP2), lastError, failure);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        Jp2Source source{file};
        const Jp2Stream stream = readingStream(source);
        opj_image_t* header = nullptr;
        // Strict: a file cut short is refused instead of decoded to a blur.
        const bool setUp = opj_setup_decoder(codec.get(), &parameters) && opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE);
        if (setUp) keepToCallingThreadWhenTimed(codec.get());
        if (!setUp || !opj_read_header(stream.get(), codec.get(), &header)) {
            opj_image_destroy(header);
            throw Error(failure + reasonOr(lastError, "not a JP2 file"));
        }
        const Image image(header);
        const std::int64_t width = std::int64_t{image->x1} - image->x0;
        const std::int64_t height = std::int64_t{image->y1} - image->y0;
        QImage picture = newBgrPicture(width, height, "JPEG 2000");
        if (!plainChannels(*image, static_cast<OPJ_UINT32>(width), static_cast<OPJ_UINT32>(height))) {
            throw Error(std::string(failure) + "only 8-bit grey or colour pictures without subsampling are read");
        }
        if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()) ||
            !hasSamples(*image)) {
            throw Error(failure + reasonOr(lastError, "the file is damaged or cut short"));
        }
        copyChannels(*image, picture);
        return picture;
    }

    std::string libraryVersion() const override { return std::string("OpenJPEG ") + opj_version(); }

    std::string describeSettings(const CodecSettings& settings) const override {
        return "JP2 file, irreversible 9/7 wavelet with colour transform, one layer at compression ratio "
               "4 x 2^((100 - q) / 12.5) (16:1 at q 75), " + settings.at("resolutions") + " resolutions";
    }
};

}  // namespace

const AnchorCodec& jp2Codec() {
    static const Jp2Codec codec;
    return codec;
}

}  // namespace brenlow::anchors
