#include "anchors/anchor_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "anchors/anchor_experiment.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

#ifdef BRENLOW_HAS_WEBP
#include <webp/decode.h>
#endif
#ifdef BRENLOW_HAS_AVIF
#include <avif/avif.h>
#endif
#ifdef BRENLOW_HAS_JXL
#include <jxl/decode_cxx.h>
#endif
#ifdef BRENLOW_HAS_JP2
#include <openjpeg.h>
#endif

namespace brenlow {
namespace {

using testing::TempDir;
using testing::messageOf;

// A 256 x 256 piece of the sample photograph: face, suit and background.
const QImage& photo() {
    static const QImage crop = loadBitmapFile(testing::samplePath("astronaut.bmp")).copy(128, 64, 256, 256);
    return crop;
}

double psnr(const QImage& reference, const QImage& test) {
    double squares = 0.0;
    for (int y = 0; y < reference.height(); ++y) {
        const uchar* a = reference.constScanLine(y);
        const uchar* b = test.constScanLine(y);
        for (int i = 0; i < reference.width() * 3; ++i) squares += (a[i] - b[i]) * (a[i] - b[i]);
    }
    const double meanSquare = squares / (3.0 * reference.width() * reference.height());
    return 10.0 * std::log10(255.0 * 255.0 / meanSquare);
}

// The dimensions the format's own library reads from a file, with its plain decoding calls:
// they must decode the whole picture, not only its header.
QSize sizeByLibrary(const std::string& codec, [[maybe_unused]] const Bytes& file) {
#ifdef BRENLOW_HAS_WEBP
    if (codec == "webp") {
        int width = 0, height = 0;
        uint8_t* rgb = WebPDecodeRGB(file.data(), file.size(), &width, &height);
        WebPFree(rgb);
        return rgb != nullptr ? QSize(width, height) : QSize();
    }
#endif
#ifdef BRENLOW_HAS_AVIF
    if (codec == "avif") {
        avifDecoder* decoder = avifDecoderCreate();
        avifImage* image = avifImageCreateEmpty();
        const bool read = avifDecoderReadMemory(decoder, image, file.data(), file.size()) == AVIF_RESULT_OK;
        const QSize size = read ? QSize(static_cast<int>(image->width), static_cast<int>(image->height)) : QSize();
        avifImageDestroy(image);
        avifDecoderDestroy(decoder);
        return size;
    }
#endif
#ifdef BRENLOW_HAS_JXL
    if (codec == "jxl") {
        const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
        JxlDecoderSetInput(decoder.get(), file.data(), file.size());
        JxlDecoderCloseInput(decoder.get());
        JxlBasicInfo info{};
        std::vector<std::uint8_t> pixels;
        const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        for (JxlDecoderStatus status; (status = JxlDecoderProcessInput(decoder.get())) != JXL_DEC_SUCCESS;) {
            if (status == JXL_DEC_BASIC_INFO) {
                JxlDecoderGetBasicInfo(decoder.get(), &info);
            } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
                pixels.resize(std::size_t{3} * info.xsize * info.ysize);
                JxlDecoderSetImageOutBuffer(decoder.get(), &format, pixels.data(), pixels.size());
            } else if (status != JXL_DEC_FULL_IMAGE) {
                return QSize();
            }
        }
        return QSize(static_cast<int>(info.xsize), static_cast<int>(info.ysize));
    }
#endif
#ifdef BRENLOW_HAS_JP2
    if (codec == "jp2") {
        // Through a real file, so that our memory streams are not what is tested.
        TempDir dir;
        const std::string path = dir.file("picture.jp2");
        writeFileAtomically(path, file);
        opj_stream_t* stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
        opj_codec_t* decoder = opj_create_decompress(OPJ_CODEC_JP2);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        opj_image_t* image = nullptr;
        const bool read = opj_setup_decoder(decoder, &parameters) && opj_read_header(stream, decoder, &image) &&
                          opj_decode(decoder, stream, image) && opj_end_decompress(decoder, stream);
        const QSize size = read ? QSize(static_cast<int>(image->x1), static_cast<int>(image->y1)) : QSize();
        opj_image_destroy(image);
        opj_destroy_codec(decoder);
        opj_stream_destroy(stream);
        return size;
    }
#endif
    ADD_FAILURE() << "no plain decoder for " << codec;
    return QSize();
}

std::vector<std::string> builtCodecNames() {
    std::vector<std::string> names;
    for (const AnchorCodec* codec : anchorCodecs()) names.push_back(codec->name());
    return names;
}

TEST(AnchorRegistryTest, BuiltCodecsKeepTheirOrderAndAreFoundByName) {
    const std::vector<std::string> order{"webp", "avif", "jxl", "jp2"};
    std::size_t next = 0;
    for (const AnchorCodec* codec : anchorCodecs()) {
        while (next < order.size() && order[next] != codec->name()) ++next;
        ASSERT_LT(next, order.size()) << codec->name() << " out of order";
        EXPECT_EQ(anchorCodecNamed(codec->name()), codec);
        EXPECT_EQ(codec->extension(), "." + codec->name());
        EXPECT_NE(codec->libraryVersion().find(' '), std::string::npos) << codec->libraryVersion();
    }
    EXPECT_EQ(anchorCodecNamed("jpeg"), nullptr);
    EXPECT_EQ(anchorCodecNamed(""), nullptr);
}

class AnchorCodecTest : public ::testing::TestWithParam<std::string> {
protected:
    const AnchorCodec& codec() const { return *anchorCodecNamed(GetParam()); }
};

// Floors about two decibels under the lowest PSNR any of the codecs gave on this crop (36.7,
// 31.9 and 23.9 dB): a swapped colour order or misplaced rows cost far more.
TEST_P(AnchorCodecTest, PhotoRoundTripsWithSizeFallingAsQualityFalls) {
    struct Point { int quality; double psnrFloor; };
    std::size_t largerSize = SIZE_MAX;
    for (const Point point : {Point{90, 34.5}, Point{60, 30.0}, Point{30, 22.0}}) {
        SCOPED_TRACE(point.quality);
        const CodedStill coded = codeAnchorStill(photo(), codec(), point.quality, "crop~.bmp");
        ASSERT_EQ(coded.decoded.bitmap.format(), QImage::Format_BGR888);
        ASSERT_EQ(coded.decoded.bitmap.size(), photo().size());
        EXPECT_GT(psnr(photo(), coded.decoded.bitmap), point.psnrFloor);
        EXPECT_LT(coded.file.size(), largerSize);
        largerSize = coded.file.size();
        EXPECT_EQ(sizeByLibrary(codec().name(), coded.file), photo().size());
    }
}

TEST_P(AnchorCodecTest, OddAndTinyPicturesKeepTheirSizeAndOtherFormatsAreTakenAsTheirPixels) {
    for (const QSize size : {QSize(1, 1), QSize(3, 5), QSize(37, 2)}) {
        const QImage picture = testing::patternBitmap(size.width(), size.height());
        EXPECT_EQ(codec().decode(codec().encode(picture, 75)).size(), size) << size.width() << "x" << size.height();
    }
    const QImage picture = testing::patternBitmap(40, 30);
    EXPECT_EQ(codec().encode(picture.convertToFormat(QImage::Format_RGB32), 50), codec().encode(picture, 50));
}

TEST_P(AnchorCodecTest, GarbageAndCutFilesAreRefusedWithAnError) {
    const Bytes file = codec().encode(photo(), 75);
    std::mt19937 random(7);
    Bytes garbage(4096);
    for (std::uint8_t& byte : garbage) byte = static_cast<std::uint8_t>(random());
    const std::vector<Bytes> broken{
        {}, garbage, Bytes(file.begin(), file.begin() + 32), Bytes(file.begin(), file.begin() + file.size() / 2),
        Bytes(file.begin(), file.end() - 16)};
    for (const Bytes& bytes : broken) {
        SCOPED_TRACE(bytes.size());
        EXPECT_THROW(codec().decode(bytes), Error);
    }
    const std::string message = messageOf([&] { codec().decode(garbage); });
    EXPECT_NE(message.find("decoder failed"), std::string::npos) << message;
}

TEST_P(AnchorCodecTest, QualitiesOutsideTheRangeAreRefused) {
    const QualityRange range = codec().qualities();
    EXPECT_THROW(codeAnchorStill(photo(), codec(), range.highest + 1, "crop~.bmp"), Error);
    EXPECT_THROW(codeAnchorStill(photo(), codec(), range.lowest - 1, "crop~.bmp"), Error);
    EXPECT_NO_THROW(codeAnchorStill(photo(), codec(), range.lowest, "crop~.bmp"));
}

// Each setting's default is what encode() uses, and a value away from it reaches the library.
TEST_P(AnchorCodecTest, DefaultSettingsGiveTheBytesOfEncodeAndEveryOtherValueReachesTheLibrary) {
    const std::vector<SettingDescription> declared = codec().settingDescriptions();
    ASSERT_FALSE(declared.empty());
    const Bytes plain = codec().encode(photo(), 60);
    EXPECT_EQ(codec().encodeWith(photo(), 60, codec().defaultSettings()), plain);
    for (const SettingDescription& setting : declared) {
        SCOPED_TRACE(setting.key);
        EXPECT_TRUE(setting.accepts(setting.defaultValue));
        const std::string other = !setting.choices.empty() ? (setting.choices.front() == setting.defaultValue
                                                                  ? setting.choices.back()
                                                                  : setting.choices.front())
                                                            : std::to_string(setting.lowest);
        CodecSettings settings = codec().defaultSettings();
        settings[setting.key] = other;
        const Bytes changed = codec().encodeWith(photo(), 60, settings);
        EXPECT_NE(changed, plain) << setting.key << "=" << other;
        EXPECT_EQ(codec().decode(changed).size(), photo().size());
        EXPECT_NE(codec().describeSettings(settings), codec().settings()) << "the report line of settings says which";
    }
}

// A document of the codec's own format keeps its file; the outputs go beside it.
TEST(AnchorExperimentTest, ADocumentOfTheFormatKeepsItsFileAndGetsItsOutputsBeside) {
    const AnchorCodec* jp2 = anchorCodecNamed("jp2");
    if (jp2 == nullptr) GTEST_SKIP() << "built without OpenJPEG";
    TempDir dir;
    const std::string caption = dir.file("pic.jp2");
    const Bytes own = jp2->encode(photo(), 90);
    writeFileAtomically(caption, own);
    const QImage picture = jp2->decode(own);
    const DocumentView document{caption, &picture, nullptr, &picture};

    const StillRunResult result = runAnchorExperiment(document, *jp2, 40);
    EXPECT_EQ(result.codedPath, dir.file("pic~.jp2"));
    EXPECT_EQ(readWholeFile(caption), own);
    const Bytes coded = readWholeFile(dir.file("pic~.jp2"));
    EXPECT_EQ(loadBitmapFile(dir.file("pic~.bmp")), jp2->decode(coded));
    EXPECT_EQ(result.figures.codedSize, coded.size());
    EXPECT_EQ(result.figures.originalSize, own.size());
    EXPECT_NE(result.reportLine.find("SNR_B="), std::string::npos) << result.reportLine;
}

INSTANTIATE_TEST_SUITE_P(BuiltCodecs, AnchorCodecTest, ::testing::ValuesIn(builtCodecNames()),
                         [](const auto& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AnchorCodecTest);

}  // namespace
}  // namespace brenlow
