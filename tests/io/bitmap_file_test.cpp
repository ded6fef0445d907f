#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <fstream>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::messageOf;

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

TEST(BitmapFileTest, LoadsTheSampleAsA24BitPicture) {
    const QImage picture = loadBitmapFile(testing::samplePath("astronaut.bmp"));
    EXPECT_EQ(picture.width(), 512);
    EXPECT_EQ(picture.height(), 512);
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
}

TEST(BitmapFileTest, PlainRowsReadAsQtReadsThem) {
    for (const std::string& path :
         {testing::samplePath("astronaut.bmp"), testing::testDataPath("chelsea.bmp"), testing::testDataPath("coffee.bmp")}) {
        const QImage byQt = QImage(QString::fromStdString(path), "BMP").convertToFormat(QImage::Format_BGR888);
        ASSERT_FALSE(byQt.isNull()) << path;
        EXPECT_EQ(loadBitmapFile(path), byQt) << path;
        EXPECT_EQ(decodeBitmap(readWholeFile(path), path), byQt) << path;
    }
}

TEST(BitmapFileTest, TopDownBitmapsKeepTheirRowOrder) {
    const QImage picture = testing::patternBitmap(7, 5);
    Bytes file = encodeBitmap(picture);
    putLe32(file, 22, static_cast<std::uint32_t>(-5));
    const QImage read = decodeBitmap(file, "down.bmp");
    EXPECT_EQ(read, picture.mirrored(false, true));
}

// Pictures of some megabytes are read in two halves on two threads.
TEST(BitmapFileTest, LargeBitmapsKeepEveryRowInBothOrders) {
    testing::TempDir dir;
    const QImage picture = testing::patternBitmap(1201, 1203);
    saveBitmapFile(picture, dir.file("large.bmp"));
    EXPECT_EQ(loadBitmapFile(dir.file("large.bmp")), picture);
    Bytes file = encodeBitmap(picture);
    putLe32(file, 22, static_cast<std::uint32_t>(-1203));
    EXPECT_EQ(decodeBitmap(file, "down.bmp"), picture.mirrored(false, true));
}

TEST(BitmapFileTest, PicturesMadeAheadHaveTheSizeAskedFor) {
    for (const auto& [width, height] : {std::pair{1500, 1000}, std::pair{3, 2}}) {
        BitmapInTheMaking making(width, height);
        const QImage made = making.take(width, height);
        ASSERT_EQ(made.size(), QSize(width, height));
        EXPECT_EQ(made.format(), QImage::Format_BGR888);
        EXPECT_EQ(making.take(width, height).size(), QSize(width, height));
    }
    BitmapInTheMaking otherSize(1500, 1000);
    EXPECT_EQ(otherSize.take(1400, 1000).size(), QSize(1400, 1000));
    BitmapInTheMaking tooLarge(20000, 10000);
    EXPECT_NE(messageOf([&] { tooLarge.take(20000, 10000); }).find("above the limit of 100 megapixels"),
              std::string::npos);
}

TEST(BitmapFileTest, SavedFileHoldsExactlyTheEncodedBytes) {
    testing::TempDir dir;
    const QImage picture = testing::patternBitmap(451, 3);  // rows need padding
    saveBitmapFile(picture, dir.file("p.bmp"));
    const Bytes expected = encodeBitmap(picture);
    EXPECT_EQ(testing::fileBytes(dir.file("p.bmp")), std::string(expected.begin(), expected.end()));
}

TEST(BitmapFileTest, WritesA24BitBottomUpFileThatReadsBackTheSame) {
    const QImage picture = testing::patternBitmap(5, 3);  // rows need padding
    const Bytes file = encodeBitmap(picture);
    EXPECT_EQ(file.size(), 54u + 16u * 3u);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(file[54], picture.constScanLine(2)[0]);  // the bottom row comes first
    EXPECT_EQ(decodeBitmap(file, "x.bmp"), picture);
}

TEST(BitmapFileTest, SampleFilePixelsSurviveARewrite) {
    const Bytes original = readWholeFile(testing::samplePath("astronaut.bmp"));
    const Bytes rewritten = encodeBitmap(decodeBitmap(original, "astronaut.bmp"));
    ASSERT_EQ(rewritten.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + 54, original.end(), rewritten.begin() + 54));
}

TEST(BitmapFileTest, PalettePicturesOpenAsTheirColours) {
    QImage palette(2, 1, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    palette.setPixel(0, 0, 1);
    palette.setPixel(1, 0, 0);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "BMP").write(palette));
    const QImage picture = decodeBitmap(Bytes(data.begin(), data.end()), "p.bmp");
    ASSERT_EQ(picture.format(), QImage::Format_BGR888);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(200, 100, 50));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(10, 20, 30));
}

// Whether a picture pair may be read side by side without readying Qt's readers first: only for
// the bitmaps decoded here, since a palette bitmap goes through Qt's reader.
TEST(BitmapFileTest, OnlyBitmapsDecodedHereAreReadWithoutQt) {
    testing::TempDir dir;
    saveBitmapFile(testing::patternBitmap(9, 5), dir.file("plain.bmp"));
    EXPECT_TRUE(bitmapDecodedHere(dir.file("plain.bmp")));
    QImage palette(4, 4, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    palette.fill(1);
    ASSERT_TRUE(palette.save(QString::fromStdString(dir.file("palette.bmp")), "BMP"));
    EXPECT_FALSE(bitmapDecodedHere(dir.file("palette.bmp")));
    ASSERT_TRUE(testing::patternBitmap(9, 5).save(QString::fromStdString(dir.file("picture.png")), "PNG"));
    EXPECT_FALSE(bitmapDecodedHere(dir.file("picture.png")));
    writeBytes(dir.file("short.bmp"), Bytes{'B', 'M', 0, 0});
    EXPECT_FALSE(bitmapDecodedHere(dir.file("short.bmp")));
    EXPECT_FALSE(bitmapDecodedHere(dir.file("missing.bmp")));
}

TEST(BitmapFileTest, RefusesAPixelArrayCutShort) {
    Bytes file = encodeBitmap(testing::patternBitmap(8, 8));
    file.pop_back();
    EXPECT_EQ(messageOf([&] { decodeBitmap(file, "cut.bmp"); }),
              "Bitmap file \"cut.bmp\" is truncated: its pixel data is 1 bytes short");
}

TEST(BitmapFileTest, RefusesHugeHeadersBeforeDecoding) {
    Bytes file = encodeBitmap(testing::patternBitmap(2, 2));
    putLe32(file, 18, 100000);
    putLe32(file, 22, 100000);
    EXPECT_NE(messageOf([&] { decodeBitmap(file, "huge.bmp"); }).find("above the limit of 100 megapixels"),
              std::string::npos);
}

TEST(BitmapFileTest, RefusesTextAndMissingFiles) {
    testing::TempDir dir;
    const std::string text = dir.file("notes.bmp");
    writeBytes(text, Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(messageOf([&] { loadBitmapFile(text); }), "\"" + text + "\" is not a valid bitmap file");
    EXPECT_THROW(loadBitmapFile(dir.file("missing.bmp")), Error);
}

TEST(BitmapFileTest, LargePicturesBelowTheLimitAreAccepted) {
    EXPECT_NO_THROW(checkPictureSize(10000, 10000, "p"));
    EXPECT_THROW(checkPictureSize(10001, 10000, "p"), Error);
    EXPECT_THROW(checkPictureSize(0, 10, "p"), Error);
}

}  // namespace
}  // namespace brenlow
