#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/cli_runner.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// The part of a report line after the source file's size, which differs between formats.
std::string measuresOf(const std::string& reportLine) {
    const auto at = reportLine.find("Original size: ");
    if (at == std::string::npos) {
        return reportLine;
    }
    const auto end = reportLine.find_first_not_of("0123456789", at + 15);
    return reportLine.substr(end);
}

// One picture as a bitmap and as a PNG: every command gives the same coded and decoded files and the
// same ratios of signal to noise for both, and the PNG is never written.
TEST(OtherPicturesTest, APngDocumentIsCodedFromItsOwnPixelsLikeTheSameBitmap) {
    TempDir data;
    const QImage picture = patternBitmap(64, 48);
    saveBitmapFile(picture, data.file("a.bmp"));
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("b.png")), "PNG"));
    const std::string png = fileBytes(data.file("b.png"));
    for (const char* command : {"avc", "ajc", "jpeg"}) {
        SCOPED_TRACE(command);
        const CliRun bitmapRun = runCli({command, "a.bmp"}, data.path());
        const CliRun pngRun = runCli({command, "b.png"}, data.path());
        ASSERT_EQ(bitmapRun.exitCode, 0) << bitmapRun.err;
        ASSERT_EQ(pngRun.exitCode, 0) << pngRun.err;
        EXPECT_EQ(measuresOf(pngRun.out), measuresOf(bitmapRun.out));
        EXPECT_NE(pngRun.out.find("Original size: " + std::to_string(png.size())), std::string::npos) << pngRun.out;
    }
    for (const char* suffix : {".avc", ".ajc", ".jpg", "~.bmp"}) {
        EXPECT_EQ(fileBytes(data.file(std::string("b") + suffix)), fileBytes(data.file(std::string("a") + suffix)))
            << suffix;
    }
    EXPECT_EQ(fileBytes(data.file("b.png")), png);
}

// JPEG data under a name without ".jpg" is decoded by the JPEG bridge as a .jpg document would be.
TEST(OtherPicturesTest, JpegDataNamedJpegIsCodedLikeAJpgDocument) {
    TempDir data;
    const Bytes jpeg = SaveAsJpeg(patternBitmap(64, 48), 90);
    writeFileAtomically(data.file("c.jpg"), jpeg);
    writeFileAtomically(data.file("d.jpeg"), jpeg);
    const CliRun jpgRun = runCli({"avc", "c.jpg"}, data.path());
    const CliRun jpegRun = runCli({"avc", "d.jpeg"}, data.path());
    ASSERT_EQ(jpgRun.exitCode, 0) << jpgRun.err;
    ASSERT_EQ(jpegRun.exitCode, 0) << jpegRun.err;
    EXPECT_EQ(jpegRun.out, jpgRun.out);
    EXPECT_EQ(fileBytes(data.file("d..avc")), fileBytes(data.file("c.avc")));
    EXPECT_EQ(fileBytes(data.file("d.jpeg")), fileBytes(data.file("c.jpg")));
}

Bytes textBytes(const std::string& text) { return {text.begin(), text.end()}; }

// A header of a few bytes may ask for any size: it is checked before the pixels are allocated, and a
// picture cut short is refused rather than shown with pixels that were never read.
TEST(OtherPicturesTest, HugeOrCutShortPicturesAreRefused) {
    TempDir data;
    writeFileAtomically(data.file("big.ppm"), textBytes("P6\n20000 20000\n255\nabc"));
    const CliRun big = runCli({"avc", "big.ppm"}, data.path());
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_EQ(big.err, "The picture in \"big.ppm\" is too large: 20000 x 20000 pixels is above the limit of 100 "
                       "megapixels\n");
    writeFileAtomically(data.file("cut.ppm"), textBytes("P6\n64 48\n255\n" + std::string(100, 'x')));
    const CliRun cut = runCli({"avc", "cut.ppm"}, data.path());
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err.rfind("\"cut.ppm\" cannot be read as a picture", 0), 0u) << cut.err;
    EXPECT_FALSE(fs::exists(data.file("cut.avc")));
}

TEST(OtherPicturesTest, UnreadableContentStillSaysItIsNoBitmap) {
    TempDir data;
    writeFileAtomically(data.file("e.png"), Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    const CliRun run = runCli({"avc", "e.png"}, data.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "\"e.png\" is not a valid bitmap file\n");
}

}  // namespace
}  // namespace brenlow::testing
