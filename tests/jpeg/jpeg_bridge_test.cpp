#include <gtest/gtest.h>

#include <jpeglib.h>
#include <jerror.h>

#include <QColorSpace>
#include <fstream>
#include <regex>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/hostile_files.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::greyJpeg;
using testing::progressiveJpegWithManyScans;

std::string loadError(std::span<const std::uint8_t> data, QImage& bitmap) {
    try {
        LoadJpeg(bitmap, data);
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

TEST(SaveAsJpegTest, SamePictureGivesIdenticalBytes) {
    const QImage picture = testing::patternBitmap(40, 30);
    const Bytes first = SaveAsJpeg(picture, 80);
    EXPECT_EQ(SaveAsJpeg(picture, 80), first);
    ASSERT_GT(first.size(), 2u);
    EXPECT_EQ(first[0], 0xFF);
    EXPECT_EQ(first[1], 0xD8);
    EXPECT_NE(SaveAsJpeg(picture, 30), first);
}

TEST(SaveAsJpegTest, OptionsChangeTheBytesAsTheyShouldAndTheDefaultsChangeNothing) {
    const QImage picture = loadBitmapFile(testing::samplePath("astronaut.bmp")).copy(160, 80, 160, 120);
    const Bytes plain = SaveAsJpeg(picture, 75);
    EXPECT_EQ(SaveAsJpeg(picture, 75, JpegOptions{}), plain);

    // Tables made for the picture code the same coefficients in fewer bytes.
    const Bytes optimized = SaveAsJpeg(picture, 75, {.optimizeHuffman = true});
    EXPECT_LT(optimized.size(), plain.size());
    QImage fromPlain, fromOptimized;
    LoadJpeg(fromPlain, plain);
    LoadJpeg(fromOptimized, optimized);
    EXPECT_EQ(fromOptimized, fromPlain);

    // Chroma kept at full size costs bytes and keeps the colours closer to the picture.
    const auto squaredError = [&](const Bytes& file) {
        QImage decoded;
        LoadJpeg(decoded, file);
        double sum = 0.0;
        for (int y = 0; y < picture.height(); ++y)
            for (int i = 0; i < picture.width() * 3; ++i) {
                const double d = decoded.constScanLine(y)[i] - picture.constScanLine(y)[i];
                sum += d * d;
            }
        return sum;
    };
    const Bytes across = SaveAsJpeg(picture, 75, {.chroma = ChromaSubsampling::HalfAcross});
    const Bytes full = SaveAsJpeg(picture, 75, {.chroma = ChromaSubsampling::Full});
    EXPECT_LT(plain.size(), across.size());
    EXPECT_LT(across.size(), full.size());
    EXPECT_LT(squaredError(full), squaredError(plain));
}

TEST(SaveAsJpegTest, LibraryClampsTheQuality) {
    const QImage picture = testing::patternBitmap(24, 16);
    EXPECT_EQ(SaveAsJpeg(picture, 0), SaveAsJpeg(picture, 1));
    EXPECT_EQ(SaveAsJpeg(picture, 150), SaveAsJpeg(picture, 100));
}

TEST(SaveAsJpegTest, PalettePictureIsCodedAsIts24BitConversion) {
    QImage palette(16, 8, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(0, 0, 0), qRgb(250, 10, 90), qRgb(20, 200, 60)});
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            palette.setPixel(x, y, static_cast<uint>((x + y) % 3));
        }
    }
    EXPECT_EQ(SaveAsJpeg(palette, 75), SaveAsJpeg(palette.convertToFormat(QImage::Format_BGR888), 75));
}

TEST(SaveAsJpegTest, EmptyPictureGivesNoBytes) { EXPECT_TRUE(SaveAsJpeg(QImage(), 80).empty()); }

TEST(SaveAsJpegTest, FileIsWrittenWhole) {
    testing::TempDir dir;
    const QImage picture = testing::patternBitmap(9, 9);
    SaveAsJpeg(picture, dir.file("a.jpg"), 80, 0);
    const Bytes expected = SaveAsJpeg(picture, 80);
    EXPECT_EQ(testing::fileBytes(dir.file("a.jpg")), std::string(expected.begin(), expected.end()));
}

TEST(LoadJpegTest, DecodesToThePictureSizeAt24BitsWithChannelsInPlace) {
    QImage picture(17, 9, QImage::Format_BGR888);
    picture.fill(QColor(200, 60, 20));
    QImage bitmap(3, 50, QImage::Format_RGB32);
    LoadJpeg(bitmap, SaveAsJpeg(picture, 95));
    EXPECT_EQ(bitmap.width(), 17);
    EXPECT_EQ(bitmap.height(), 9);
    EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
    const QColor centre = bitmap.pixelColor(8, 4);
    EXPECT_NEAR(centre.red(), 200, 3);
    EXPECT_NEAR(centre.green(), 60, 3);
    EXPECT_NEAR(centre.blue(), 20, 3);
}

// The JPEG stream with the profile in APP2 markers right after its start, as cameras and editors
// write it: a marker holds at most 65519 bytes of it, so a large profile takes several.
Bytes withIccProfile(const Bytes& jpeg, const QByteArray& profile) {
    constexpr std::size_t kLargestPiece = 65519;
    const std::size_t pieces = (static_cast<std::size_t>(profile.size()) + kLargestPiece - 1) / kLargestPiece;
    Bytes tagged(jpeg.begin(), jpeg.begin() + 2);
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        const std::size_t first = piece * kLargestPiece;
        const std::size_t length = std::min(kLargestPiece, static_cast<std::size_t>(profile.size()) - first);
        const std::size_t markerLength = 2 + 12 + 2 + length;
        const std::uint8_t head[] = {0xFF, 0xE2, static_cast<std::uint8_t>(markerLength >> 8),
                                     static_cast<std::uint8_t>(markerLength & 0xFF)};
        tagged.insert(tagged.end(), head, head + 4);
        const char name[] = "ICC_PROFILE";
        tagged.insert(tagged.end(), name, name + 12);
        tagged.push_back(static_cast<std::uint8_t>(piece + 1));
        tagged.push_back(static_cast<std::uint8_t>(pieces));
        tagged.insert(tagged.end(), profile.begin() + static_cast<qsizetype>(first),
                      profile.begin() + static_cast<qsizetype>(first + length));
    }
    tagged.insert(tagged.end(), jpeg.begin() + 2, jpeg.end());
    return tagged;
}

TEST(LoadJpegTest, PictureKeepsTheIccProfileOfItsFile) {
    QImage picture(24, 16, QImage::Format_BGR888);
    picture.fill(QColor(30, 160, 90));
    const Bytes plain = SaveAsJpeg(picture, 90);
    QImage bitmap;
    LoadJpeg(bitmap, plain);
    EXPECT_FALSE(bitmap.colorSpace().isValid()) << "no profile: untagged, that is sRGB";

    for (const QColorSpace& declared : {QColorSpace(QColorSpace::AdobeRgb), QColorSpace(QColorSpace::ProPhotoRgb)}) {
        const QByteArray profile = declared.iccProfile();
        const Bytes tagged = withIccProfile(plain, profile + QByteArray(70000, '\0'));
        LoadJpeg(bitmap, tagged);
        EXPECT_EQ(bitmap.colorSpace(), declared) << declared.description().toStdString();
        QImage same;
        LoadJpeg(same, plain);
        EXPECT_EQ(bitmap.constBits()[0], same.constBits()[0]) << "the pixels are the same code values";
    }
}

TEST(LoadJpegTest, GreyscaleFilesComeOutGrey) {
    QImage bitmap;
    LoadJpeg(bitmap, greyJpeg(64, 8));
    ASSERT_EQ(bitmap.width(), 64);
    for (int x = 0; x < 64; ++x) {
        const QColor colour = bitmap.pixelColor(x, 3);
        EXPECT_EQ(colour.red(), colour.green());
        EXPECT_EQ(colour.green(), colour.blue());
        EXPECT_NEAR(colour.red(), x * 255 / 63, 6);
    }
}

TEST(LoadJpegTest, NotAJpegFailsAndLeavesTheBitmap) {
    const QImage before = testing::patternBitmap(5, 4);
    QImage bitmap = before;
    const Bytes text{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_EQ(loadError(text, bitmap).rfind("JPEG error #", 0), 0u);
    EXPECT_EQ(bitmap, before);
}

TEST(LoadJpegTest, DataCutInTheMiddleIsAnError) {
    const Bytes whole = SaveAsJpeg(testing::patternBitmap(64, 64), 90);
    const QImage before = testing::patternBitmap(5, 4);
    QImage bitmap = before;
    const Bytes half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    EXPECT_EQ(loadError(half, bitmap).rfind("JPEG error #", 0), 0u);
    EXPECT_EQ(bitmap, before);
    const Bytes noEnd(whole.begin(), whole.end() - 2);
    EXPECT_EQ(loadError(noEnd, bitmap).rfind("JPEG error #", 0), 0u);
}

TEST(LoadJpegTest, HugeFrameIsRefusedBeforeThePictureIsAllocated) {
    QImage bitmap;
    const Bytes huge = testing::withJpegFrameSize(SaveAsJpeg(testing::patternBitmap(16, 16), 80), 65500, 65500);
    EXPECT_NE(loadError(huge, bitmap).find("65500 x 65500 pixels is above the limit of 100 megapixels"),
              std::string::npos);
    EXPECT_TRUE(bitmap.isNull());
}

TEST(LoadJpegTest, FilesWithTooManyScansAreRefused) {
    QImage bitmap;
    const Bytes progressive = progressiveJpegWithManyScans(16, 16);
    EXPECT_EQ(loadError(progressive, bitmap), "The JPEG data has more than 100 scans");
    EXPECT_TRUE(bitmap.isNull());
}

TEST(LoadJpegTest, MissingFileIsAnError) {
    QImage bitmap;
    EXPECT_THROW(LoadJpeg(bitmap, std::string("/nonexistent/picture.jpg")), Error);
}

std::string libraryMessage(int code, const std::string& text) {
    return "JPEG error #" + std::to_string(code) + ": " + text;
}

// The library's errors and warnings keep its number and add its own words, whichever way they
// arise: a wrong start, a frame the decoder cannot take, data that ends early.
TEST(JpegMessagesTest, LibraryFailuresCarryTheLibrarysOwnText) {
    QImage bitmap;
    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    EXPECT_EQ(loadError(png, bitmap), libraryMessage(JERR_NO_SOI, "Not a JPEG file: starts with 0x89 0x50"));

    const Bytes twelveBit = testing::withJpegPrecision(SaveAsJpeg(testing::patternBitmap(16, 16), 80), 12);
    EXPECT_EQ(loadError(twelveBit, bitmap), libraryMessage(JERR_BAD_PRECISION, "Unsupported JPEG data precision 12"));

    const Bytes whole = SaveAsJpeg(testing::patternBitmap(64, 64), 90);
    const std::regex numberAndText("JPEG error #[0-9]+: [A-Z][^#]+");
    for (const std::size_t kept : {std::size_t{0}, std::size_t{2}, whole.size() / 2, whole.size() - 2}) {
        SCOPED_TRACE(kept);
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(kept));
        const std::string message = loadError(cut, bitmap);
        EXPECT_TRUE(std::regex_match(message, numberAndText)) << message;
    }
    EXPECT_TRUE(bitmap.isNull());
}

TEST(JpegMessagesTest, CodingAPictureWiderThanTheLibraryTakesSaysItsLimit) {
    const QImage wide = testing::patternBitmap(70000, 4);
    try {
        SaveAsJpeg(wide, 80);
        FAIL() << "a 70000-pixel row was coded";
    } catch (const Error& error) {
        EXPECT_EQ(error.cause(),
                  libraryMessage(JERR_IMAGE_TOO_BIG, "Maximum supported image dimension is 65500 pixels"));
        EXPECT_EQ(error.fileName(), "");
    }
}

// A file's errors name it after the cause; the file layer's own errors name it once, in their text.
TEST(JpegMessagesTest, ErrorsOfAFileNameTheFile) {
    testing::TempDir dir;
    const std::string empty = dir.file("empty.jpg");
    const std::string png = dir.file("picture.jpg");
    std::ofstream(empty, std::ios::binary).flush();
    std::ofstream(png, std::ios::binary) << "\x89PNG\r\n\x1a\n";
    QImage bitmap;
    for (const std::string& path : {empty, png}) {
        SCOPED_TRACE(path);
        try {
            LoadJpeg(bitmap, path);
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.cause().rfind("JPEG error #", 0), 0u);
            EXPECT_EQ(error.fileName(), path);
            EXPECT_EQ(std::string(error.what()), error.cause() + ": \"" + path + "\"");
        }
    }
    const std::string missing = dir.file("missing.jpg");
    try {
        LoadJpeg(bitmap, missing);
        FAIL() << "no error";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(missing), std::string::npos) << message;
        EXPECT_EQ(message.find(missing), message.rfind(missing)) << message;
    }
}

TEST(ReadJpegFrameTest, GivesTheHeadersSizeWithoutDecodingThePixels) {
    // Scan data of a 16 x 16 picture: decoding it at the claimed size fails, reading the frame does not.
    const Bytes claimed = testing::withJpegFrameSize(SaveAsJpeg(testing::patternBitmap(16, 16), 80), 4000, 3000);
    QImage bitmap;
    ASSERT_NE(loadError(claimed, bitmap), "no error");
    const JpegFrame frame = ReadJpegFrame(claimed);
    EXPECT_EQ(frame.width, 4000);
    EXPECT_EQ(frame.height, 3000);
    EXPECT_EQ(frame.components, 3);
    EXPECT_EQ(ReadJpegFrame(greyJpeg(30, 20)).components, 1);
}

TEST(ReadJpegFrameTest, RefusesWhatLoadJpegRefusesBeforeThePixels) {
    const Bytes huge = testing::withJpegFrameSize(SaveAsJpeg(testing::patternBitmap(16, 16), 80), 65500, 65500);
    const Bytes text{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    for (const Bytes& data : {huge, text}) {
        QImage bitmap;
        const std::string expected = loadError(data, bitmap);
        try {
            ReadJpegFrame(data);
            ADD_FAILURE() << "no error for " << expected;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), expected);
        }
    }
}

}  // namespace
}  // namespace brenlow
