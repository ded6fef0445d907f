#include "brenlow/codec.h"

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <cctype>

#include "brenlow/session.h"
#include "brenlow/studies.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

// A codec described by commands (a copy of the picture) joins the built codecs, so that every kind
// is in the session when the suite is made.
std::vector<std::string> everyCodecOfTheSession() {
    static const testing::TempDir dir;
    const std::string description = dir.file("copy.json");
    QFile file(QString::fromStdString(description));
    if (file.open(QIODevice::WriteOnly))
        file.write(R"({"name": "front-copy", "encode": ["cp", "{input}", "{output}"],
            "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".cp", "quality": {"min": 1, "max": 9}})");
    file.close();
    Session session;
    session.addCodecFile(description);
    std::vector<std::string> names;
    for (const CodecInfo& info : session.codecs()) names.push_back(info.name);
    return names;
}

class FrontDoorCodecTest : public ::testing::TestWithParam<std::string> {};

// What a notebook codes must be the point a sweep measures: the same bytes, the same picture.
TEST_P(FrontDoorCodecTest, CodesPixelsAsTheSweepCodesItsPoint) {
    const Codec codec(GetParam());
    const int quality = (codec.info().lowestQuality + codec.info().highestQuality + 1) / 2;
    const QImage pattern = testing::patternBitmap(64, 48);
    const Picture picture = Picture::fromImage(pattern);
    const std::vector<std::uint8_t> coded = codec.encode(picture, quality);
    const Picture decoded = codec.decode(coded, quality);
    EXPECT_EQ(decoded.width(), 64);
    EXPECT_EQ(decoded.height(), 48);

    PictureSweep sweep;
    sweep.settings.curves = {codec.curve()};
    sweep.settings.qualities = {quality};
    sweep.settings.measures = MeasureChoice::none();
    sweep.source.bitmap = pattern.convertToFormat(QImage::Format_BGR888);
    sweep.source.references[referencePictureOf(codec.curve())] = sweep.source.bitmap;
    runPictureSweep(sweep);
    ASSERT_EQ(sweep.outcome.points.size(), 1u);
    EXPECT_EQ(sweep.outcome.points[0].figures.codedSize, coded.size());
    EXPECT_EQ(decodedSweepPoint(sweep.source, codec.curve(), quality).bitmap, decoded.bitmap());
}

// A timed point is the same file and picture, its rate counted on the picture it coded.
TEST_P(FrontDoorCodecTest, CodeIsTheFileAndPictureOfEncodeAndDecodeWithTheirTimes) {
    const Codec codec(GetParam());
    const int quality = codec.info().highestQuality;
    const Picture picture = Picture::fromImage(testing::patternBitmap(40, 30));
    const CodedPicture coded = codec.code(picture, quality);
    EXPECT_EQ(coded.data, codec.encode(picture, quality));
    EXPECT_EQ(coded.decoded.image(), codec.decode(coded.data, quality).image());
    EXPECT_DOUBLE_EQ(coded.bitsPerPixel, coded.data.size() * 8.0 / (40 * 30));
    EXPECT_GT(coded.encodeSeconds, 0.0);
    EXPECT_GT(coded.decodeSeconds, 0.0);
    EXPECT_GE(coded.encodeCpuSeconds, 0.0);
    EXPECT_GE(coded.decodeCpuSeconds, 0.0);
}

TEST_P(FrontDoorCodecTest, AQualityOutsideTheRangeIsRefusedNamingIt) {
    const Codec codec(GetParam());
    const Picture picture = Picture::fromImage(testing::patternBitmap(16, 16));
    const std::string message =
        testing::messageOf([&] { codec.encode(picture, codec.info().highestQuality + 1); });
    EXPECT_NE(message.find(std::to_string(codec.info().highestQuality + 1)), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FrontDoorCodecTest, ::testing::ValuesIn(everyCodecOfTheSession()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(SessionTest, ListsCodecsWithTheirSettingsAndMeasuresWithTheirUnits) {
    Session session;
    const std::vector<CodecInfo> codecs = session.codecs();
    ASSERT_GE(codecs.size(), 3u);
    EXPECT_EQ(codecs[0].name, "jpeg");
    EXPECT_EQ(codecs[0].extension, ".jpg");
    EXPECT_FALSE(codecs[0].library.empty());
    const auto avc = std::find_if(codecs.begin(), codecs.end(), [](const CodecInfo& c) { return c.name == "avc"; });
    ASSERT_NE(avc, codecs.end());
    EXPECT_TRUE(std::any_of(avc->settings.begin(), avc->settings.end(),
                            [](const SettingInfo& s) { return s.key == "divisor" && !s.defaultValue.empty(); }));
    const std::vector<MeasureInfo> measures = session.measures();
    const auto psnr = std::find_if(measures.begin(), measures.end(), [](const MeasureInfo& m) { return m.name == "psnr"; });
    ASSERT_NE(psnr, measures.end());
    EXPECT_EQ(psnr->unit, "dB");
    EXPECT_TRUE(psnr->higherIsBetter);
    EXPECT_EQ(psnr->group, "");
    EXPECT_FALSE(session.versions().empty());
    // What a caller asked for wrongly is a usage error, so that front ends tell it as one.
    EXPECT_THROW(Codec("nonesuch"), UsageError);
    EXPECT_THROW(Codec("webp:colour=5"), UsageError);
    EXPECT_THROW(Codec("jpeg").encode(Picture::fromImage(testing::patternBitmap(8, 8)), 101), UsageError);
    EXPECT_EQ(codecs[0].defaults, "baseline, float DCT, quality as given (0-100), optimize 0, subsampling 420");
    EXPECT_THROW(session.addCodecFile("/nonexistent/codecs.json"), Error);
}

}  // namespace
}  // namespace brenlow
