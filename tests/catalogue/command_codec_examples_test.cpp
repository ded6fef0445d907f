#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/command_codec.h"
#include "catalogue/command_codec_run.h"
#include "io/bitmap_file.h"
#include "measures/measures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

CommandCodec example(const std::string& file) {
    const std::vector<CommandCodec> codecs = readCommandCodecFile(std::string(BRENLOW_EXAMPLE_CODECS_DIR) + "/" + file);
    EXPECT_EQ(codecs.size(), 1u);
    return codecs.front();
}

CodecSettings defaultsOf(const CommandCodec& codec) { return resolvedSettings({}, codec.settings); }

bool allOnPath(const std::vector<std::string>& programs) {
    return std::all_of(programs.begin(), programs.end(), onPath);
}

// An example on a crop of the corpus: more bytes at a higher quality, a picture close to the
// source, and its setting changing what is coded.
void checkExample(const std::string& file, const CodecSettings& changed) {
    const CommandCodec codec = example(file);
    const QImage crop = as24BitPicture(loadBitmapFile(testDataPath("coffee.bmp")).copy(40, 30, 96, 64));
    const CommandPoint low = runCommandCodec(codec, defaultsOf(codec), crop, 30);
    const CommandPoint high = runCommandCodec(codec, defaultsOf(codec), crop, 90);
    EXPECT_LT(low.codedBytes, high.codedBytes);
    EXPECT_LT(high.codedBytes, bitmapFileSize(96, 64));
    const double lowPsnr = measurePictures(crop, low.decoded).psnr;
    const double highPsnr = measurePictures(crop, high.decoded).psnr;
    EXPECT_GT(lowPsnr, 24.0);
    EXPECT_GT(highPsnr, lowPsnr + 2.0);
    CodecSettings other = defaultsOf(codec);
    for (const auto& [key, value] : changed) other[key] = value;
    EXPECT_NE(runCommandCodec(codec, other, crop, 90).codedBytes, high.codedBytes);
}

TEST(CommandCodecExamplesTest, WebPToolsCodeACorpusCrop) {
    if (!allOnPath({"cwebp", "dwebp"})) GTEST_SKIP() << "cwebp and dwebp are not installed (scripts/install-deps.sh)";
    checkExample("webp-tools.json", {{"method", "0"}});
}

TEST(CommandCodecExamplesTest, ImageMagickJpegCodesACorpusCrop) {
    if (!allOnPath({"convert"})) GTEST_SKIP() << "ImageMagick's convert is not installed (scripts/install-deps.sh)";
    checkExample("jpeg-imagemagick.json", {{"sampling", "2x2"}});
}

}  // namespace
}  // namespace brenlow::testing
