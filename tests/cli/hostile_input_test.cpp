#include <gtest/gtest.h>

#include <jpeglib.h>
#include <jerror.h>

#include <fstream>
#include <functional>

#include "support/cli_runner.h"
#include "codecs/codec_steps.h"
#include "container/coded_image.h"
#include "io/bitmap_file.h"
#include "jpeg/jpeg_bridge.h"
#include "support/hostile_files.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

// Far below any of the pictures these files claim (65500 x 65500 is 12.9 GB at three bytes a
// pixel), far above what the tool needs to refuse them: a reader that allocated first would fail
// with another message.
constexpr std::uint64_t kAddressSpaceLimit = 2ull << 30;

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

Bytes hugeFrameJpeg() { return withJpegFrameSize(SaveAsJpeg(patternBitmap(16, 16), 80), 65500, 65500); }

struct HostileFile {
    std::string name;
    // Writes the file into the folder and returns the tool's arguments.
    std::function<std::vector<std::string>(const TempDir&)> prepare;
    // The whole message; "@" stands for the file's path.
    std::string message;
};

std::string libraryMessage(int code, const std::string& text) {
    return "JPEG error #" + std::to_string(code) + ": " + text + ": \"@\"";
}

std::string budgetMessage(int passes, const std::string& pixels) {
    return "The file asks for " + std::to_string(passes) + " sharpening passes on " + pixels + "; at most " +
           std::to_string(kMaxSharpeningMegapixelPasses) + " megapixel-passes are done: \"@\"";
}

std::vector<std::string> command(const char* subcommand, const TempDir& dir, const std::string& name,
                                 const Bytes& bytes) {
    writeBytes(dir.file(name), bytes);
    return {subcommand, dir.file(name)};
}

std::vector<HostileFile> hostileFiles() {
    const std::string tooLarge =
        "The JPEG picture is too large: 65500 x 65500 pixels is above the limit of 100 megapixels: \"@\"";
    return {
        {"bitmap one byte short of its pixel array",
         [](const TempDir& d) {
             Bytes file = encodeBitmap(patternBitmap(40, 30));
             file.pop_back();
             return command("avc", d, "short.bmp", file);
         },
         "Bitmap file \"@\" is truncated: its pixel data is 1 bytes short"},
        {"bitmap header of 100000 x 100000",
         [](const TempDir& d) {
             Bytes file = encodeBitmap(patternBitmap(4, 4));
             putLe32(file, 18, 100000);
             putLe32(file, 22, 100000);
             return command("ajc", d, "huge.bmp", file);
         },
         "The picture in \"@\" is too large: 100000 x 100000 pixels is above the limit of 100 megapixels"},
        {"65500 x 65500 JPEG inside a valid .avc",
         [](const TempDir& d) {
             return command("decode", d, "huge.avc", buildCodedImage(CodedImageKind::AvcStill, 2, 2, hugeFrameJpeg()));
         },
         tooLarge},
        {"65500 x 65500 JPEG inside a valid .ajc",
         [](const TempDir& d) {
             return command("decode", d, "huge.ajc", buildCodedImage(CodedImageKind::AjcStill, 2, 0, hugeFrameJpeg()));
         },
         tooLarge},
        {"65500 x 65500 JPEG document", [](const TempDir& d) { return command("avc", d, "huge.jpg", hugeFrameJpeg()); },
         tooLarge},
        {"valid .avc whose enlarged picture would be 120 megapixels",
         [](const TempDir& d) {
             const Bytes jpeg = greyJpeg(6000, 5000);
             return command("decode", d, "wide.avc", buildCodedImage(CodedImageKind::AvcStill, 2, 2, jpeg));
         },
         "The decoded picture is too large: 12000 x 10000 pixels is above the limit of 100 megapixels: \"@\""},
        {"valid .avc asking for 5000 sharpening passes",
         [](const TempDir& d) {
             const Bytes jpeg = SaveAsJpeg(patternBitmap(16, 16), 80);
             return command("decode", d, "passes.avc", buildCodedImage(CodedImageKind::AvcStill, 2, 5000, jpeg));
         },
         "The file asks for 5000 sharpening passes; at most 1000 are done: \"@\""},
        // Once kept the decoder busy for over a quarter of an hour at 1.15 GB.
        {"arithmetic-coded 5000 x 5000 grey .avc asking for 1000 sharpening passes",
         [](const TempDir& d) {
             const Bytes jpeg = flatGreyArithmeticJpeg(5000, 5000);
             return command("decode", d, "heavy.avc", buildCodedImage(CodedImageKind::AvcStill, 2, 1000, jpeg));
         },
         budgetMessage(1000, "10000 x 10000 pixels")},
        // Once held 11 GB of sharpening rows for over a minute.
        {"arithmetic-coded 65500 x 7 grey .avc asking for 1000 sharpening passes",
         [](const TempDir& d) {
             const Bytes jpeg = flatGreyArithmeticJpeg(65500, 7);
             return command("decode", d, "strip.avc", buildCodedImage(CodedImageKind::AvcStill, 2, 1000, jpeg));
         },
         budgetMessage(1000, "131000 x 14 pixels, counted as 131000 x 1000")},
        {"progressive JPEG of two thousand scans inside a valid .avc",
         [](const TempDir& d) {
             return command("decode", d, "scans.avc",
                            buildCodedImage(CodedImageKind::AvcStill, 2, 2, progressiveJpegWithManyScans(64, 64)));
         },
         "The JPEG data has more than 100 scans: \"@\""},
        {"PNG named .jpg", [](const TempDir& d) { return command("avc", d, "png.jpg", {0x89, 'P', 'N', 'G', 13, 10}); },
         libraryMessage(JERR_NO_SOI, "Not a JPEG file: starts with 0x89 0x50")},
        {"empty .jpg", [](const TempDir& d) { return command("ajc", d, "empty.jpg", {}); },
         libraryMessage(JERR_INPUT_EOF, "Premature end of input file")},
        {"12-bit JPEG",
         [](const TempDir& d) {
             return command("jpeg", d, "deep.jpg", withJpegPrecision(SaveAsJpeg(patternBitmap(16, 16), 80), 12));
         },
         libraryMessage(JERR_BAD_PRECISION, "Unsupported JPEG data precision 12")},
        {"70000 x 4 bitmap coded as JPEG",
         [](const TempDir& d) { return command("jpeg", d, "wide.bmp", encodeBitmap(patternBitmap(70000, 4))); },
         libraryMessage(JERR_IMAGE_TOO_BIG, "Maximum supported image dimension is 65500 pixels")},
    };
}

TEST(HostileInputTest, EachIsRefusedAtOnceWithItsMessageWithoutAllocatingThePicture) {
    CliLimits limits;
    if (!kAddressSanitizer) {
        limits.addressSpaceBytes = kAddressSpaceLimit;
    }
    for (const HostileFile& hostile : hostileFiles()) {
        SCOPED_TRACE(hostile.name);
        TempDir data;
        const std::vector<std::string> arguments = hostile.prepare(data);
        const auto before = folderSnapshot(data.path());

        const CliRun run = runCli(arguments, data.path(), limits);

        std::string expected = hostile.message;
        if (const auto at = expected.find('@'); at != std::string::npos) {
            expected.replace(at, 1, arguments.back());
        }
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, expected + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(folderSnapshot(data.path()), before);
        EXPECT_LT(run.seconds, 5.0);
    }
}

// The limit cannot have refused them for the wrong reason: a valid file of the same kind codes
// within it.
TEST(HostileInputTest, TheAddressSpaceLimitLeavesRoomForOrdinaryWork) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "address-space limits do not apply under AddressSanitizer";
    }
    TempDir data;
    saveBitmapFile(patternBitmap(640, 480), data.file("pic.bmp"));
    CliLimits limits;
    limits.addressSpaceBytes = kAddressSpaceLimit;
    const CliRun avc = runCli({"avc", data.file("pic.bmp")}, data.path(), limits);
    ASSERT_EQ(avc.exitCode, 0) << avc.err;
    const CliRun decode = runCli({"decode", data.file("pic.avc"), "-o", data.file("out.bmp")}, data.path(), limits);
    EXPECT_EQ(decode.exitCode, 0) << decode.err;
}

}  // namespace
}  // namespace brenlow::testing
