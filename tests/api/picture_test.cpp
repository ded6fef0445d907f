#include "brenlow/picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

TEST(PictureTest, PixelsKeepTheirChannelsAndRowsWhateverTheStride) {
    // Two rows of two pixels, padded to 8 bytes a row: red, green / blue, white.
    const std::vector<std::uint8_t> pixels{255, 0, 0, 0, 255, 0, 9, 9, 0, 0, 255, 255, 255, 255, 9, 9};
    const Picture picture = Picture::fromPixels(2, 2, pixels.data(), 8);
    ASSERT_EQ(picture.width(), 2);
    EXPECT_EQ(picture.pixels()[0], 255);
    EXPECT_EQ(picture.pixels()[picture.rowStride() + 2], 255);  // blue, top row first
    const QImage bitmap = picture.bitmap();
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(bitmap.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(Picture::fromImage(bitmap).image(), picture.image());
}

TEST(PictureTest, BadPixelsAndFilesAreRefusedWithAReason) {
    const std::vector<std::uint8_t> pixels(12);
    EXPECT_THROW(Picture::fromPixels(0, 2, pixels.data(), 6), Error);
    EXPECT_THROW(Picture::fromPixels(2, 2, pixels.data(), 5), Error);
    testing::TempDir dir;
    const std::string message = testing::messageOf([&] { Picture::read(dir.file("missing.png")); });
    EXPECT_NE(message.find("missing.png"), std::string::npos) << message;
}

TEST(PictureTest, AFileReadsAsTheWorkbenchOpensIt) {
    testing::TempDir dir;
    const QImage pattern = testing::patternBitmap(30, 20);
    ASSERT_TRUE(pattern.save(QString::fromStdString(dir.file("p.png"))));
    const Picture picture = Picture::read(dir.file("p.png"));
    EXPECT_EQ(picture.bitmap(), pattern.convertToFormat(QImage::Format_BGR888));
}

}  // namespace
}  // namespace brenlow
