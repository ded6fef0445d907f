#include "codecs/still_codecs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_steps.h"
#include "codecs/document.h"
#include "codecs/quantiser.h"
#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/sharpening.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
using testing::fileBytes;
using testing::patternBitmap;
namespace fs = std::filesystem;

const StillParameters kDefaults{80, 2.5f, 2};

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The report line expected when the reference is `reference` and the test the decoded bitmap.
std::string expectedReport(const StillRunResult& result, const QImage& reference) {
    return fullReportLine(result.figures, ChannelSnr(planesFromBitmap(reference), planesFromBitmap(result.decoded.bitmap)));
}

class StillCodecsTest : public ::testing::Test {
protected:
    std::string bitmapDocument(const std::string& name, int width, int height) {
        saveBitmapFile(patternBitmap(width, height), dir.file(name));
        return dir.file(name);
    }

    TempDir dir;
};

// The command line codes bitmaps through tables, the workbench codes its planes.
TEST(AvcHalvingTest, BitmapAndPlanesGiveTheSameJpeg) {
    const QImage picture = patternBitmap(57, 43);
    for (const float divisor : {0.5f, 2.5f, 9.5f}) {
        EXPECT_EQ(codeHalfSize(picture, divisor, 75), codeHalfSize(planesFromBitmap(picture), divisor, 75)) << divisor;
    }
    std::string fromBitmap;
    std::string fromPlanes;
    try {
        codeHalfSize(picture, -2.5f, 75);
    } catch (const Error& error) {
        fromBitmap = error.what();
    }
    try {
        codeHalfSize(planesFromBitmap(picture), -2.5f, 75);
    } catch (const Error& error) {
        fromPlanes = error.what();
    }
    EXPECT_EQ(fromBitmap, negativeSampleMessage(0));
    EXPECT_EQ(fromPlanes, fromBitmap);
}

TEST_F(StillCodecsTest, AvcFiguresAreTheFileSizes) {
    const PictureDocument document = openPictureDocument(bitmapDocument("p.bmp", 64, 48));
    const StillRunResult result = encodeAvcStill(document.view(), kDefaults);

    EXPECT_EQ(result.codedPath, dir.file("p.avc"));
    EXPECT_EQ(result.figures.codedSize, fs::file_size(dir.file("p.avc")));
    EXPECT_EQ(result.figures.originalSize, fs::file_size(dir.file("p.bmp")));
    EXPECT_EQ(result.decoded.caption, dir.file("p~.bmp"));
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"p.avc", "p.bmp", "p~.bmp"}));
    // The window shows what the decoder gives for the file on disk.
    const DecodedPicture reopened = DecodeAvcFile(dir.file("p.avc"));
    EXPECT_EQ(reopened.bitmap, result.decoded.bitmap);
    EXPECT_EQ(loadBitmapFile(dir.file("p~.bmp")), result.decoded.bitmap);
}

TEST_F(StillCodecsTest, AvcReportsAgainstSourceFileNotDocumentPlanes) {
    const std::string path = bitmapDocument("p.bmp", 64, 48);
    PictureDocument document = openPictureDocument(path);
    SharpenImage(document.planes, 1.0f);  // a view tool changed the document, not its file

    const StillRunResult result = encodeAvcStill(document.view(), kDefaults);

    EXPECT_EQ(result.reportLine, expectedReport(result, loadBitmapFile(path)));
    EXPECT_NE(result.reportLine, expectedReport(result, bitmapFromPlanes(document.planes)));
}

TEST_F(StillCodecsTest, DocumentWithoutPlanesTakesThemFromItsBitmap) {
    const PictureDocument document = openPictureDocument(bitmapDocument("p.bmp", 40, 40));
    encodeAvcStill(document.view(), kDefaults);
    const std::string withPlanes = fileBytes(dir.file("p.avc"));

    encodeAvcStill(DocumentView{document.caption, &document.bitmap, nullptr}, kDefaults);
    EXPECT_EQ(fileBytes(dir.file("p.avc")), withPlanes);
}

TEST_F(StillCodecsTest, AvcOnJpegDocumentComparesWithItsOwnFile) {
    SaveAsJpeg(patternBitmap(48, 32), dir.file("photo.jpg"), 75, 0);
    const PictureDocument document = openPictureDocument(dir.file("photo.jpg"));

    const StillRunResult result = encodeAvcStill(document.view(), kDefaults);

    EXPECT_EQ(result.reportLine, expectedReport(result, document.bitmap));
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"photo.avc", "photo.jpg", "photo~.bmp"}));
}

TEST_F(StillCodecsTest, AvcRefusesBadPicturesBeforeWritingAnything) {
    PictureDocument tiny = openPictureDocument(bitmapDocument("tiny.bmp", 3, 9));
    EXPECT_THROW(encodeAvcStill(tiny.view(), kDefaults), Error);

    PictureDocument negative = openPictureDocument(bitmapDocument("neg.bmp", 8, 8));
    negative.planes.green()[18] = -1000.0f;  // the corner of a halving cell
    try {
        encodeAvcStill(negative.view(), kDefaults);
        FAIL() << "negative sample accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("(code=2) ! Send image to "), std::string::npos);
    }
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"neg.bmp", "tiny.bmp"}));
}

TEST_F(StillCodecsTest, AjcCodesTheSourceFileNotTheDocumentBitmap) {
    const std::string path = bitmapDocument("p.bmp", 33, 17);
    const PictureDocument document = openPictureDocument(path);
    const StillRunResult result = encodeAjcStill(document.view(), kDefaults);
    const std::string fromFile = fileBytes(dir.file("p.ajc"));

    const QImage other = patternBitmap(20, 20).mirrored();
    encodeAjcStill(DocumentView{path, &other, nullptr}, kDefaults);

    EXPECT_EQ(fileBytes(dir.file("p.ajc")), fromFile);
    EXPECT_EQ(result.decoded.bitmap.size(), QSize(33, 17));
    EXPECT_EQ(result.decoded.caption, dir.file("p~.bmp"));
    ASSERT_TRUE(result.decoded.planes.has_value());
    EXPECT_EQ(bitmapFromPlanes(*result.decoded.planes), result.decoded.bitmap);
    EXPECT_EQ(result.reportLine, shortReportLine(result.figures));
    EXPECT_EQ(result.figures.codedSize, fromFile.size());
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"p.ajc", "p.bmp"}));
}

TEST_F(StillCodecsTest, AjcConvertsJpegDocumentInMemory) {
    SaveAsJpeg(patternBitmap(30, 20), dir.file("photo.jpg"), 90, 0);
    saveBitmapFile(patternBitmap(8, 8), dir.file("photo.bmp"));  // somebody else's picture
    const std::string neighbour = fileBytes(dir.file("photo.bmp"));
    const PictureDocument document = openPictureDocument(dir.file("photo.jpg"));

    const StillRunResult result = encodeAjcStill(document.view(), kDefaults);

    EXPECT_EQ(result.decoded.bitmap.size(), QSize(30, 20));
    EXPECT_EQ(result.figures.originalSize, fs::file_size(dir.file("photo.jpg")));
    EXPECT_EQ(fileBytes(dir.file("photo.bmp")), neighbour);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"photo.ajc", "photo.bmp", "photo.jpg"}));
}

TEST_F(StillCodecsTest, DecodersReadWhatTheEncodersWrote) {
    const PictureDocument document = openPictureDocument(bitmapDocument("p.bmp", 21, 11));
    const StillRunResult ajc = encodeAjcStill(document.view(), kDefaults);
    fs::remove(dir.file("p.bmp"));

    const DecodedPicture reopened = DecodeAjcFile(dir.file("p.ajc"));
    EXPECT_EQ(reopened.bitmap, ajc.decoded.bitmap);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"p.ajc"}));

    EXPECT_EQ(decodeStillToFile(dir.file("p.ajc")), dir.file("p~.bmp"));
    EXPECT_EQ(loadBitmapFile(dir.file("p~.bmp")), ajc.decoded.bitmap);
}

TEST_F(StillCodecsTest, AvcDecoderRefusesEndlessSharpening) {
    const Bytes jpeg = SaveAsJpeg(patternBitmap(8, 8), 80);
    writeCodedImage(dir.file("many.avc"), CodedImageKind::AvcStill, 2, 2'000'000'000, jpeg);
    EXPECT_THROW(DecodeAvcFile(dir.file("many.avc")), Error);
    writeCodedImage(dir.file("one.avc"), CodedImageKind::AvcStill, 2, 0, SaveAsJpeg(patternBitmap(1, 8), 80));
    EXPECT_THROW(DecodeAvcFile(dir.file("one.avc")), Error);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"many.avc", "one.avc"}));
}

TEST_F(StillCodecsTest, AvcDecoderWithoutPassesOnlyEnlarges) {
    const Bytes jpeg = SaveAsJpeg(patternBitmap(10, 6), 95);
    writeCodedImage(dir.file("flat.avc"), CodedImageKind::AvcStill, 2, -4, jpeg);
    writeCodedImage(dir.file("sharp.avc"), CodedImageKind::AvcStill, 2, 1, jpeg);
    const DecodedPicture flat = DecodeAvcFile(dir.file("flat.avc"));
    const DecodedPicture sharp = DecodeAvcFile(dir.file("sharp.avc"));

    EXPECT_EQ(flat.bitmap.size(), QSize(20, 12));
    ImagePlanes sharpened = flat.planes->clone();
    SharpenImage(sharpened, 0.125f);
    EXPECT_EQ(bitmapFromPlanes(sharpened), sharp.bitmap);
}

TEST_F(StillCodecsTest, JpegExperimentNeverWritesOverItsSource) {
    SaveAsJpeg(patternBitmap(30, 20), dir.file("photo.jpg"), 90, 0);
    const std::string source = fileBytes(dir.file("photo.jpg"));
    const PictureDocument document = openPictureDocument(dir.file("photo.jpg"));

    const StillRunResult result = runJpegExperiment(document.view(), 50);

    EXPECT_EQ(fileBytes(dir.file("photo.jpg")), source);
    EXPECT_EQ(result.codedPath, dir.file("photo~.jpg"));
    EXPECT_EQ(result.figures.codedSize, fs::file_size(dir.file("photo~.jpg")));
    EXPECT_EQ(result.reportLine, expectedReport(result, document.bitmap));
    EXPECT_FALSE(result.decoded.planes.has_value());
}

TEST_F(StillCodecsTest, JpegExperimentRefusesEmptyPicture) {
    const std::string path = bitmapDocument("p.bmp", 4, 4);
    const QImage empty;
    EXPECT_THROW(runJpegExperiment(DocumentView{path, &empty, nullptr}, 80), Error);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"p.bmp"}));
}

}  // namespace
}  // namespace brenlow
