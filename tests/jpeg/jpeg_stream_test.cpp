#include <gtest/gtest.h>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::messageOf;

// Decoding while coding must give what coding and then decoding give, byte for byte and pixel for
// pixel: on pictures of one block, of odd sizes, and large enough for the stream to be handed over
// in many blocks, with every option.
TEST(SaveAsJpegAndDecodeTest, GivesTheBytesAndPixelsOfCodingThenDecoding) {
    const QImage sample = loadBitmapFile(testing::samplePath("astronaut.bmp"));
    const QImage pictures[] = {testing::patternBitmap(1, 1), testing::patternBitmap(3, 2), testing::patternBitmap(17, 9),
                               testing::patternBitmap(333, 201), sample};
    const JpegOptions options[] = {{}, {.optimizeHuffman = true}, {.chroma = ChromaSubsampling::Full}};
    for (const QImage& picture : pictures) {
        for (const int quality : {5, 80, 100}) {
            for (const JpegOptions& option : options) {
                const Bytes bytes = SaveAsJpeg(picture, static_cast<std::uint8_t>(quality), option);
                QImage decoded;
                LoadJpeg(decoded, bytes);
                const JpegCodedAndDecoded both = SaveAsJpegAndDecode(picture, static_cast<std::uint8_t>(quality), option);
                SCOPED_TRACE(std::to_string(picture.width()) + " x " + std::to_string(picture.height()) + " at " +
                             std::to_string(quality) + (option.optimizeHuffman ? ", optimised" : ""));
                EXPECT_EQ(both.bytes, bytes);
                EXPECT_EQ(both.decoded, decoded);
            }
        }
    }
    // The sample at the top quality is handed over in many blocks.
    EXPECT_GT(SaveAsJpeg(sample, 100).size(), 10 * 8192u);
}

// An encoder that fails must not leave the decoder waiting for the rest of the stream, and its own
// error is the one thrown.
TEST(SaveAsJpegAndDecodeTest, EncoderFailureEndsTheDecoderAndIsThrown) {
    const QImage wide = testing::patternBitmap(70000, 4);
    const std::string alone = messageOf([&] { SaveAsJpeg(wide, 80); });
    EXPECT_NE(alone, "no error");
    EXPECT_EQ(messageOf([&] { SaveAsJpegAndDecode(wide, 80); }), alone);
}

TEST(SaveAsJpegAndDecodeTest, EmptyPictureFailsAsDecodingNoDataDoes) {
    QImage bitmap;
    const std::string nothing = messageOf([&] { LoadJpeg(bitmap, Bytes{}); });
    EXPECT_NE(nothing, "no error");
    EXPECT_EQ(messageOf([] { SaveAsJpegAndDecode(QImage(), 80); }), nothing);
}

}  // namespace
}  // namespace brenlow
