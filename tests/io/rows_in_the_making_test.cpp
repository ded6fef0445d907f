#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/rows_in_the_making.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::messageOf;

// Makes `final` into `target` from the bottom row up, one thread per byte of a pixel, after
// filling it with bytes the file must never hold; stops after `rowsToMake` rows and gives up.
void makeFromTheBottom(const QImage& final, QImage& target, RowsInTheMaking& rows, int rowsToMake) {
    std::memset(target.bits(), 0xAB, static_cast<std::size_t>(target.sizeInBytes()));
    rows.begin(target);
    const int height = target.height();
    uchar* const firstLine = target.bits();  // taken once, before the threads start
    const auto bytesPerLine = static_cast<std::size_t>(target.bytesPerLine());
    std::vector<std::jthread> channels;
    for (int channel = 0; channel < 3; ++channel) {
        channels.emplace_back([&, channel] {
            for (int row = 0; row < rowsToMake; ++row) {
                const int line = height - 1 - row;
                uchar* pixels = firstLine + static_cast<std::size_t>(line) * bytesPerLine;
                for (int x = 0; x < final.width(); ++x) pixels[3 * x + channel] = final.constScanLine(line)[3 * x + channel];
                rows.finish(channel, row + 1);
            }
        });
    }
    channels.clear();
    if (rowsToMake < height) rows.abandon();
}

// The file written while the picture is made holds the finished pixels and nothing else: through
// the page cache (a small picture) and straight to the disk (above 16 MB), with padded rows.
TEST(RowsInTheMakingTest, FileWrittenWhileThePictureIsMadeHoldsItsFinishedPixels) {
    testing::TempDir dir;
    for (const auto& [width, height] : {std::pair{451, 7}, std::pair{2401, 2300}, std::pair{1, 1}}) {
        const QImage final = testing::patternBitmap(width, height);
        QImage target = makeBitmap(width, height);
        RowsInTheMaking rows(3);
        const std::string path = dir.file("made.bmp");
        std::future<PendingFile> writing = std::async(std::launch::async, [&] { return prepareBitmapFileAsMade(rows, path); });
        makeFromTheBottom(final, target, rows, height);
        PendingFile file = writing.get();
        putInPlaceTogether({&file, 1});
        const Bytes expected = encodeBitmap(final);
        EXPECT_EQ(testing::fileBytes(path), std::string(expected.begin(), expected.end())) << width << " x " << height;
    }
}

// A maker that gives up, before the picture or half-way, ends the writer with an error and leaves
// nothing behind.
TEST(RowsInTheMakingTest, GivingUpEndsTheWriterAndLeavesNoFile) {
    testing::TempDir dir;
    const QImage final = testing::patternBitmap(2401, 2300);
    for (const int rowsMade : {-1, 0, 1000}) {
        RowsInTheMaking rows(3);
        std::future<PendingFile> writing =
            std::async(std::launch::async, [&] { return prepareBitmapFileAsMade(rows, dir.file("given-up.bmp")); });
        QImage target = makeBitmap(final.width(), final.height());
        if (rowsMade < 0) {
            rows.abandon();
        } else {
            makeFromTheBottom(final, target, rows, rowsMade);
        }
        EXPECT_NE(messageOf([&] { writing.get(); }).find("given up"), std::string::npos) << rowsMade;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << rowsMade;
    }
}

}  // namespace
}  // namespace brenlow
