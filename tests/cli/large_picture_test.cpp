#include <gtest/gtest.h>

#include <iostream>

#include "support/cli_runner.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

// Below the 100-megapixel limit every picture opens: 60 megapixels, three times over what Qt's
// own reader would take, through each still codec and back.
TEST(LargePictureTest, SixtyMegapixelsOpenAndCodeWithEachCodec) {
    constexpr int kWidth = 10000;
    constexpr int kHeight = 6000;
    constexpr std::uint64_t kBitmapBytes = 54 + 3ull * kWidth * kHeight;
    TempDir data;
    saveBitmapFile(patternBitmap(kWidth, kHeight), data.file("big.bmp"));

    const std::vector<std::vector<std::string>> commands = {
        {"jpeg", data.file("big.bmp")},
        {"avc", data.file("big.bmp")},
        {"decode", data.file("big.avc"), "-o", data.file("avc-decoded.bmp")},
        {"ajc", data.file("big.bmp")},
        {"decode", data.file("big.ajc"), "-o", data.file("ajc-decoded.bmp")},
    };
    for (const auto& arguments : commands) {
        SCOPED_TRACE(arguments.front());
        const CliRun run = runCli(arguments, data.path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::cout << "brenlow-cli " << arguments.front() << ": " << run.seconds << " s, peak "
                  << run.peakMemoryKb / 1024 << " MB\n";
        EXPECT_LT(run.peakMemoryKb, 2l * 1024 * 1024);  // about 1.1 GB for the AVC encoder
    }
    for (const char* decoded : {"big~.bmp", "avc-decoded.bmp", "ajc-decoded.bmp"}) {
        EXPECT_EQ(fileSizeOf(data.file(decoded)), kBitmapBytes) << decoded;
    }
    EXPECT_EQ(fileBytes(data.file("big~.bmp")), fileBytes(data.file("avc-decoded.bmp")));
}

}  // namespace
}  // namespace brenlow::testing
