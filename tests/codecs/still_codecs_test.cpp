#include "codecs/still_codecs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "codecs/codec_steps.h"
#include "codecs/document.h"
#include "codecs/quantiser.h"
#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/sharpening.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/hostile_files.h"
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

// The decoded bitmap file is written while the sharpening finishes its rows: it must hold what
// the decoder makes of the coded file, through the page cache (small) and straight to the disk
// (above 16 MB), for odd sizes, with and without the decoded planes.
TEST_F(StillCodecsTest, AvcDecodedFileWrittenWhileSharpeningIsTheDecodersPicture) {
    for (const auto& [width, height] : {std::pair{65, 47}, std::pair{2601, 2201}}) {
        for (const bool planes : {false, true}) {
            const PictureDocument document = openPictureDocument(bitmapDocument("p.bmp", width, height), planes);
            DocumentView view = document.view();
            view.wantsDecodedPlanes = planes;
            const StillRunResult result = encodeAvcStill(view, kDefaults);
            const std::string coded = fileBytes(dir.file("p.avc"));
            const DecodedPicture decoded =
                decodeAvcPicture(decodeCodedImage(Bytes(coded.begin(), coded.end()), CodedImageKind::AvcStill), "", false);
            const Bytes expected = encodeBitmap(decoded.bitmap);
            EXPECT_EQ(fileBytes(dir.file("p~.bmp")), std::string(expected.begin(), expected.end()))
                << width << " x " << height << (planes ? " with planes" : "");
            EXPECT_EQ(result.decoded.bitmap, decoded.bitmap);
        }
    }
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

template <typename Step>
Error thrownError(Step step) {
    try {
        step();
    } catch (const Error& error) {
        return error;
    }
    return Error("no error");
}

std::string budgetMessage(const std::string& asker, int passes, int width, int height) {
    return asker + " asks for " + std::to_string(passes) + " sharpening passes on " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels; at most " + std::to_string(kMaxSharpeningMegapixelPasses) +
           " megapixel-passes are done";
}

TEST(SharpeningBudgetTest, RefusesAboveTheBudgetAndThePassLimitOnly) {
    // kMaxSharpeningPasses passes over 2000 x h pixels use the budget exactly.
    constexpr std::int64_t kWidth = 2000;
    constexpr std::int64_t kHeight = kMaxSharpeningMegapixelPasses * 1'000'000 / (kWidth * kMaxSharpeningPasses);
    static_assert(kHeight * kWidth * kMaxSharpeningPasses == kMaxSharpeningMegapixelPasses * 1'000'000);
    EXPECT_NO_THROW(requireBoundedSharpening(kMaxSharpeningPasses, kWidth, kHeight, "The file"));
    EXPECT_EQ(thrownError([&] { requireBoundedSharpening(kMaxSharpeningPasses, kWidth, kHeight + 1, "The file"); })
                  .what(),
              budgetMessage("The file", kMaxSharpeningPasses, kWidth, kHeight + 1));
    EXPECT_EQ(std::string(thrownError([] { requireBoundedSharpening(1001, 2, 2, "The focus"); }).what()),
              "The focus asks for 1001 sharpening passes; at most 1000 are done");
    // No passes do no work, whatever the size.
    EXPECT_NO_THROW(requireBoundedSharpening(0, 65535 * 2, 65535 * 2, "The file"));
    EXPECT_NO_THROW(requireBoundedSharpening(-7, 65535 * 2, 65535 * 2, "The file"));
}

// The passes hold rows of the picture's width, so a short wide picture costs as if it were taller.
TEST(SharpeningBudgetTest, ShortPicturesCountAsTallerSoThePassesRowsStaySmall) {
    constexpr std::int64_t kWidth = 131000;  // the widest enlargement of a JPEG
    constexpr std::int64_t kPasses = kMaxSharpeningMegapixelPasses * 1'000'000 / (kWidth * kMinSharpeningRowsCounted);
    EXPECT_NO_THROW(requireBoundedSharpening(kPasses, kWidth, 14, "The file"));
    const Error refused = thrownError([&] { requireBoundedSharpening(kPasses + 1, kWidth, 14, "The file"); });
    EXPECT_EQ(refused.cause(), "The file asks for " + std::to_string(kPasses + 1) +
                                   " sharpening passes on 131000 x 14 pixels, counted as 131000 x " +
                                   std::to_string(kMinSharpeningRowsCounted) + "; at most " +
                                   std::to_string(kMaxSharpeningMegapixelPasses) + " megapixel-passes are done");
    // A picture of the counted height or more is counted as it is.
    EXPECT_NO_THROW(requireBoundedSharpening(kPasses, kWidth, kMinSharpeningRowsCounted, "The file"));
}

TEST(SharpeningBudgetTest, OrdinaryWorkIsFarBelowIt) {
    // 100 megapixels at the default focus, and a 12-megapixel photograph at a focus fifty times it.
    EXPECT_NO_THROW(requireBoundedSharpening(kDefaults.passes, 10000, 10000, "The focus"));
    EXPECT_NO_THROW(requireBoundedSharpening(50 * kDefaults.passes, 4000, 3000, "The focus"));
}

// A JPEG whose frame header claims width x height over the scan data of a 16 x 16 picture: any
// decoder that decodes its pixels fails with a JPEG error, so another refusal came first.
Bytes jpegClaiming(int width, int height) {
    return testing::withJpegFrameSize(SaveAsJpeg(patternBitmap(16, 16), 80), width, height);
}

TEST_F(StillCodecsTest, AvcDecoderRefusesTooMuchSharpeningBeforeDecodingThePixels) {
    const std::string path = dir.file("heavy.avc");
    writeCodedImage(path, CodedImageKind::AvcStill, 2, 1000, jpegClaiming(5000, 5000));
    const Error decoding = thrownError([&] { DecodeAvcFile(path); });
    EXPECT_EQ(decoding.cause(), budgetMessage("The file", 1000, 10000, 10000));
    EXPECT_EQ(decoding.fileName(), path);
    const Error toFile = thrownError([&] { decodeStillToFile(path, dir.file("out.bmp")); });
    EXPECT_EQ(std::string(toFile.what()), decoding.what());

    // The enlarged picture's own limit is met from the frame header too.
    writeCodedImage(dir.file("wide.avc"), CodedImageKind::AvcStill, 2, 2, jpegClaiming(6000, 5000));
    EXPECT_EQ(thrownError([&] { DecodeAvcFile(dir.file("wide.avc")); }).cause(),
              "The decoded picture is too large: 12000 x 10000 pixels is above the limit of 100 megapixels");
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"heavy.avc", "wide.avc"}));
}

// The encoder checks the decoder's own figures (the enlarged size of the halved picture), so what it
// refuses is exactly what the decoder would refuse, and it refuses before coding or writing anything.
TEST_F(StillCodecsTest, AvcEncoderRefusesAFocusItsDecoderWouldRefuse) {
    const std::string path = bitmapDocument("big.bmp", 2001, 1003);
    const PictureDocument document = openPictureDocument(path);
    const StillParameters heavy{80, 2.5f, 1000};
    const Error encoding = thrownError([&] { encodeAvcStill(document.view(), heavy); });
    EXPECT_EQ(encoding.cause(), budgetMessage("The focus", 1000, 2000, 1002));
    EXPECT_EQ(encoding.fileName(), path);
    EXPECT_EQ(thrownError([&] { codeAvcStill(document.planes, heavy, "sweep"); }).cause(), encoding.cause());

    writeCodedImage(dir.file("same.avc"), CodedImageKind::AvcStill, 2, 1000, jpegClaiming(1000, 501));
    EXPECT_EQ(thrownError([&] { DecodeAvcFile(dir.file("same.avc")); }).cause(),
              budgetMessage("The file", 1000, 2000, 1002));

    const PictureDocument small = openPictureDocument(bitmapDocument("small.bmp", 16, 16));
    EXPECT_EQ(thrownError([&] { encodeAvcStill(small.view(), {80, 2.5f, 5000}); }).cause(),
              "The focus asks for 5000 sharpening passes; at most 1000 are done");
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"big.bmp", "same.avc", "small.bmp"}));
}

// Errors met while coding a document name the document's file.
TEST_F(StillCodecsTest, CodingErrorsNameTheDocument) {
    const std::string path = bitmapDocument("wide.bmp", 70000, 4);
    const PictureDocument document = openPictureDocument(path, false);
    for (const auto& code : std::vector<std::function<void()>>{
             [&] { runJpegExperiment(document.view(), 80); }, [&] { encodeAjcStill(document.view(), kDefaults); }}) {
        const Error error = thrownError(code);
        EXPECT_EQ(error.cause().rfind("JPEG error #", 0), 0u) << error.what();
        EXPECT_NE(error.cause().find("65500"), std::string::npos) << error.what();
        EXPECT_EQ(error.fileName(), path);
    }
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"wide.bmp"}));
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
