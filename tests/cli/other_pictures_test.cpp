#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <algorithm>
#include <cstring>
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
// same report line for both (a PNG's original size is that of its 24-bit bitmap, so the ratio means
// what it means for the bitmap), and the PNG is never written.
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
        EXPECT_EQ(pngRun.out, bitmapRun.out);
        EXPECT_NE(pngRun.out.find("Original size: 9270"), std::string::npos) << "54 + 64 x 3 x 48: " << pngRun.out;
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
    EXPECT_EQ(measuresOf(jpegRun.out), measuresOf(jpgRun.out));
    EXPECT_NE(jpgRun.out.find("Original size: " + std::to_string(jpeg.size())), std::string::npos)
        << "a .jpg document keeps its file's size";
    EXPECT_NE(jpegRun.out.find("Original size: 9270"), std::string::npos) << "other pictures their bitmap's";
    EXPECT_EQ(fileBytes(data.file("d.avc")), fileBytes(data.file("c.avc")));
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

// The GIF reader fills whatever a cut file lacks without a word, so the frame's data must be there
// to its end.
TEST(OtherPicturesTest, AGifCutShortIsRefusedLikeTheOtherFormats) {
    TempDir data;
    const std::string whole = grayGifFile(40, 30);
    writeFileAtomically(data.file("whole.gif"), textBytes(whole));
    const CliRun wholeRun = runCli({"ajc", "whole.gif"}, data.path());
    ASSERT_EQ(wholeRun.exitCode, 0) << wholeRun.err;
    struct Cut {
        const char* name;
        std::size_t length;
    };
    for (const Cut cut : {Cut{"tenth.gif", whole.size() / 10}, Cut{"half.gif", whole.size() / 2},
                          Cut{"noend.gif", whole.size() - 2}, Cut{"header.gif", 13}}) {
        writeFileAtomically(data.file(cut.name), textBytes(whole.substr(0, cut.length)));
        const CliRun run = runCli({"ajc", cut.name}, data.path());
        EXPECT_EQ(run.exitCode, 1) << cut.name;
        EXPECT_EQ(run.err.rfind("\"" + std::string(cut.name) + "\" cannot be read as a picture", 0), 0u) << run.err;
        EXPECT_FALSE(fs::exists(data.file(std::string(cut.name).substr(0, std::strlen(cut.name) - 4) + ".ajc")));
    }
    std::string huge = whole;
    for (const std::size_t at : {6u, 7u, 8u, 9u, 402u, 403u, 404u, 405u}) huge[at] = '\xFF';  // both 65535 x 65535
    writeFileAtomically(data.file("huge.gif"), textBytes(huge));
    const CliRun hugeRun = runCli({"ajc", "huge.gif"}, data.path());
    EXPECT_EQ(hugeRun.exitCode, 1);
    EXPECT_EQ(hugeRun.err, "The picture in \"huge.gif\" is too large: 65535 x 65535 pixels is above the limit of 100 "
                           "megapixels\n");
}

// Outputs are named after the name less its whole extension for the picture types whose extension
// is not four characters long, as for the others: never "x..avc" nor "x.~.bmp".
TEST(OtherPicturesTest, OutputsOfLongerExtensionsDropTheWholeExtension) {
    TempDir data;
    const QImage picture = patternBitmap(64, 48);
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("t.tiff")), "TIFF"));
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("w.webp")), "WEBP", 100));
    writeFileAtomically(data.file("j.jpeg"), SaveAsJpeg(picture, 90));
    struct Run {
        std::vector<std::string> arguments;
        std::vector<std::string> outputs;
    };
    const std::vector<Run> runs{{{"avc", "t.tiff"}, {"t.avc", "t~.bmp"}},
                                {{"ajc", "j.jpeg"}, {"j.ajc"}},
                                {{"jpeg", "w.webp"}, {"w.jpg", "w~.bmp"}},
                                {{"code", "--codec", "webp", "w.webp"}, {"w~.webp", "w~.bmp"}},
                                {{"code", "--codec", "jp2", "t.tiff"}, {"t.jp2", "t~.bmp"}}};
    for (const Run& run : runs) {
        const auto before = folderSnapshot(data.path());
        const CliRun result = runCli(run.arguments, data.path());
        if (result.err.find("not one of") != std::string::npos) continue;  // an anchor codec this build lacks
        ASSERT_EQ(result.exitCode, 0) << run.arguments.back() << ": " << result.err;
        std::vector<std::string> added = addedNames(before, folderSnapshot(data.path()));
        for (const std::string& output : run.outputs)
            EXPECT_TRUE(fs::exists(data.file(output))) << run.arguments.back() << " should give " << output;
        for (const std::string& name : added)
            EXPECT_EQ(name.find(".~"), std::string::npos) << name;
    }
    for (const char* misnamed : {"t..avc", "t.~.bmp", "j..ajc", "w..jpg", "w..webp"})
        EXPECT_FALSE(fs::exists(data.file(misnamed))) << misnamed;
}

// Several pictures in one command are coded one after another, unless one's outputs would replace
// another's (x.jpeg and x.webp both name x~.bmp) or another input: then nothing is written at all.
TEST(OtherPicturesTest, PicturesOfOneCommandNeverReplaceEachOthersOutputs) {
    TempDir data;
    const QImage picture = patternBitmap(64, 48);
    saveBitmapFile(picture, data.file("a.bmp"));
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("x.webp")), "WEBP", 100));
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("x.png")), "PNG"));
    writeFileAtomically(data.file("x.jpeg"), SaveAsJpeg(picture, 90));
    struct Case {
        std::vector<std::string> arguments;
        const char* message;  // empty: both pictures are coded
    };
    const std::vector<Case> cases{
        {{"avc", "x.jpeg", "x.webp"}, "its output \"x.avc\" would replace the one \"x.jpeg\" gives"},
        {{"ajc", "x.png", "./x.png"}, "its output \"./x.ajc\" would replace the one \"x.png\" gives"},
        {{"jpeg", "a.bmp", "a~.bmp"}, "its output \"a~.bmp\" is \"a~.bmp\", another picture"},
        {{"code", "--codec", "jp2", "x.webp", "x.png"}, "its output \"x.jp2\" would replace"},
        {{"avc", "a.bmp", "x.png"}, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments.front() + " " + test.arguments.back());
        const auto before = folderSnapshot(data.path());
        const CliRun run = runCli(test.arguments, data.path());
        if (run.err.find("not one of") != std::string::npos) continue;  // an anchor codec this build lacks
        if (*test.message == '\0') {
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
            for (const char* output : {"a.avc", "a~.bmp", "x.avc", "x~.bmp"})
                EXPECT_TRUE(fs::exists(data.file(output))) << output;
            continue;
        }
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
        EXPECT_EQ(folderSnapshot(data.path()), before) << "nothing is written";
    }
}

// "pic.xy" is no ".bmp" name: it is coded from its own pixels, never from "pi.bmp" beside it.
TEST(OtherPicturesTest, ADocumentNotNamedBmpIsCodedFromItsOwnPixelsNotFromAnotherFile) {
    TempDir data;
    saveBitmapFile(patternBitmap(64, 48), data.file("pi.bmp"));
    const QImage own = patternBitmap(64, 48).mirrored(true, false);
    saveBitmapFile(own, data.file("pic.xy"));
    saveBitmapFile(own, data.file("same.bmp"));
    for (const char* command : {"ajc", "avc"}) {
        const CliRun odd = runCli({command, "pic.xy"}, data.path());
        const CliRun plain = runCli({command, "same.bmp"}, data.path());
        ASSERT_EQ(odd.exitCode, 0) << odd.err;
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
        EXPECT_EQ(odd.out, plain.out) << command;
        EXPECT_EQ(fileBytes(data.file(std::string("pi.") + command)),
                  fileBytes(data.file(std::string("same.") + command)))
            << command;
    }
}

TEST(OtherPicturesTest, UnreadableContentStillSaysItIsNoBitmap) {
    TempDir data;
    writeFileAtomically(data.file("e.png"), Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    const CliRun run = runCli({"avc", "e.png"}, data.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "\"e.png\" is not a valid PNG file: its first bytes are those of no picture format read here\n");
}

// An empty file says what its name claims and that it is empty; a PNG or TIFF cut short and a GIF
// whose logical screen is too large get one line of the tool's own, none of their libraries'.
TEST(OtherPicturesTest, BrokenPicturesGetOneLineOfOurOwnSayingWhatIsWrong) {
    TempDir data;
    const QImage picture = patternBitmap(64, 48);
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("whole.png")), "PNG"));
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("whole.tif")), "TIFF"));
    const std::string png = fileBytes(data.file("whole.png"));
    const std::string tiff = fileBytes(data.file("whole.tif"));
    std::string gif = grayGifFile(4, 4);
    gif[6] = gif[7] = gif[8] = gif[9] = '\xFF';  // a screen of 65535 x 65535 around a frame of 4 x 4
    writeFileAtomically(data.file("empty.png"), Bytes{});
    writeFileAtomically(data.file("cut.png"), textBytes(png.substr(0, png.size() / 2)));
    writeFileAtomically(data.file("cut.tif"), textBytes(tiff.substr(0, tiff.size() / 3)));
    writeFileAtomically(data.file("screen.gif"), textBytes(gif));
    const struct {
        const char* name;
        std::string message;
    } cases[] = {
        {"empty.png", "\"empty.png\" is not a valid PNG file: it is empty"},
        {"cut.png", "\"cut.png\" cannot be read as a picture: the file ends inside its picture data"},
        {"cut.tif", "\"cut.tif\" cannot be read as a picture: "},
        {"screen.gif", "The picture in \"screen.gif\" is too large: 65535 x 65535 pixels is above the limit of 100 "
                       "megapixels"},
    };
    for (const auto& each : cases) {
        const CliRun run = runCli({"avc", each.name}, data.path());
        EXPECT_EQ(run.exitCode, 1) << each.name;
        EXPECT_TRUE(run.err.starts_with(each.message)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// PSNR and SSIM take code values as they are: a picture whose file declares other colours is measured
// with a note on stderr saying so, once per file however often it is read, which --quiet leaves out.
TEST(OtherPicturesTest, PicturesDeclaringOtherColoursAreMeasuredWithANoteOncePerFile) {
    TempDir data;
    fs::create_directory(data.path() / "set");
    const QImage picture = patternBitmap(64, 48);
    ASSERT_TRUE(picture.save(QString::fromStdString(data.file("set/plain.png")), "PNG"));
    QImage linear = picture;
    linear.setColorSpace(QColorSpace::SRgbLinear);
    ASSERT_TRUE(linear.save(QString::fromStdString(data.file("set/linear.png")), "PNG"));
    QImage wide = picture.mirrored(true, false);
    wide.setColorSpace(QColorSpace(QColorSpace::Primaries::ProPhotoRgb, 1.8F));
    ASSERT_TRUE(wide.save(QString::fromStdString(data.file("set/wide.png")), "PNG"));
    const auto notesOn = [](const std::string& err, const std::string& picture) {
        const std::string note = "Note: \"" + picture + "\" declares colours other than sRGB (";
        std::size_t count = 0;
        for (std::size_t at = err.find(note); at != std::string::npos; at = err.find(note, at + 1)) ++count;
        return count;
    };

    const CliRun compare = runCli({"compare", "--measures", "none", "set/plain.png", "set/linear.png"}, data.path());
    ASSERT_EQ(compare.exitCode, 0) << compare.err;
    EXPECT_EQ(notesOn(compare.err, "set/linear.png"), 1u) << compare.err;
    EXPECT_NE(compare.err.find("); SSIMULACRA 2, Butteraugli and CIEDE2000 convert its colours, PSNR and SSIM take "
                               "its code values as they are\n"),
              std::string::npos)
        << compare.err;
    EXPECT_EQ(compare.err.find("plain.png"), std::string::npos) << compare.err;

    const Arguments sweep{"sweep", "--codecs", "jpeg,ajc", "--qualities", "40,70", "--measures", "none", "-j", "2"};
    const CliRun swept = runCli(sweep + Arguments{"set"}, data.path());
    ASSERT_EQ(swept.exitCode, 0) << swept.err;
    EXPECT_EQ(notesOn(swept.err, "set/linear.png"), 1u) << swept.err;
    EXPECT_EQ(notesOn(swept.err, "set/wide.png"), 1u) << swept.err;
    EXPECT_EQ(swept.err.find("plain.png"), std::string::npos) << swept.err;
    const CliRun quiet = runCli(sweep + Arguments{"--quiet", "set"}, data.path());
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace brenlow::testing
