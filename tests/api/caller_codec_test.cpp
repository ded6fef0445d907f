#include "brenlow/caller_codec.h"

#include <gtest/gtest.h>

#include "brenlow/studies.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

// A lossless codec of the front door's pictures: the width, then the rows as they are.
CallerCodecFunctions rawCodec(const std::string& name) {
    CallerCodecFunctions codec;
    codec.name = name;
    codec.encode = [](const Picture& picture, int quality) {
        std::vector<std::uint8_t> file{static_cast<std::uint8_t>(picture.width()), static_cast<std::uint8_t>(quality)};
        for (int y = 0; y < picture.height(); ++y) {
            const std::uint8_t* row = picture.pixels() + picture.rowStride() * static_cast<std::size_t>(y);
            file.insert(file.end(), row, row + picture.width() * 3);
        }
        return file;
    };
    codec.decode = [](std::span<const std::uint8_t> file) {
        const int width = file[0];
        const int height = static_cast<int>((file.size() - 2) / (static_cast<std::size_t>(width) * 3));
        return Picture::fromPixels(width, height, file.data() + 2, static_cast<std::size_t>(width) * 3);
    };
    codec.version = "v1";
    return codec;
}

TEST(CallerCodecFrontTest, ItCodesRgbPicturesAsACodecOfItsNameAndSaysItRunsOneCallAtATime) {
    const CodecInfo info = addCallerCodec(rawCodec("front-raw"));
    EXPECT_EQ(info.library, "the caller's functions, version v1");
    EXPECT_FALSE(info.severalAtOnce);
    EXPECT_EQ(info.extension, ".bin");
    EXPECT_FALSE(codecInfoNamed("front-raw").severalAtOnce);
    EXPECT_TRUE(codecInfoNamed("jpeg").severalAtOnce);

    const Picture picture = Picture::fromImage(testing::patternBitmap(12, 5));
    const Codec codec("front-raw");
    const std::vector<std::uint8_t> file = codec.encode(picture, 7);
    ASSERT_EQ(file.size(), 2u + 12 * 5 * 3);
    EXPECT_EQ(file[1], 7);
    EXPECT_EQ(file[2], picture.pixels()[0]) << "the function sees red first, as the caller's pictures hold it";
    EXPECT_EQ(codec.decode(file).image(), picture.image());
}

TEST(CallerCodecFrontTest, ANameQualitiesExtensionOrFunctionItCannotTakeIsAUsageError) {
    const auto refusal = [](CallerCodecFunctions codec) {
        try {
            addCallerCodec(std::move(codec));
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string("no usage error");
    };
    EXPECT_NE(refusal(rawCodec("two words")).find("a codec's name is one or more letters"), std::string::npos);
    CallerCodecFunctions reversed = rawCodec("front-reversed");
    reversed.lowestQuality = 9;
    reversed.highestQuality = 1;
    EXPECT_NE(refusal(reversed).find("9 to 1 is not such a range"), std::string::npos);
    CallerCodecFunctions dotless = rawCodec("front-dotless");
    dotless.extension = "bin";
    EXPECT_NE(refusal(dotless).find("its extension \"bin\" is not a dot and a name"), std::string::npos);
    CallerCodecFunctions halved = rawCodec("front-halved");
    halved.decode = nullptr;
    EXPECT_NE(refusal(halved).find("needs both an encode and a decode function"), std::string::npos);
    EXPECT_EQ(codecEntryNamed("front-halved"), nullptr);
}

// A data set's plan records the codec's version for its curve, so that a resume at another
// version makes its items again.
TEST(CallerCodecFrontTest, ADataSetPlanRecordsItsVersion) {
    CallerCodecFunctions codec = rawCodec("front-planned");
    codec.version = "seven";
    addCallerCodec(codec);
    testing::TempDir dir;
    ASSERT_TRUE(testing::patternBitmap(16, 16).save(QString::fromStdString(dir.file("a.png")), "PNG"));
    DataSetRequest request;
    request.pictures = {dir.file("a.png")};
    request.sweep.curves = {"front-planned", "jpeg"};
    EXPECT_EQ(planDataSet(request).run.versions.at("front-planned version"), "seven");
}

}  // namespace
}  // namespace brenlow
