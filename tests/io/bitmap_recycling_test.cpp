// Large pictures reuse the memory of pictures dropped while a recycling lives, and never share it
// with a picture still alive.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "io/bitmap_file.h"
#include "io/bitmap_recycling.h"

namespace brenlow {
namespace {

// 2000 x 1000 pixels: 6 MB, large enough to be kept.
constexpr int kWidth = 2000;
constexpr int kHeight = 1000;

TEST(BitmapRecyclingTest, ADroppedPictureLendsItsMemoryToTheNextOfItsSizeOnly) {
    const BitmapRecycling recycling;
    const uchar* firstMemory = nullptr;
    {
        QImage first = makeBitmap(kWidth, kHeight);
        firstMemory = first.constBits();
    }
    EXPECT_EQ(keptBitmapBytes(), static_cast<std::size_t>(kWidth) * 3 * kHeight);
    const QImage otherSize = makeBitmap(kWidth, kHeight / 2);
    EXPECT_NE(otherSize.constBits(), firstMemory);
    QImage again = makeBitmap(kWidth, kHeight);
    EXPECT_EQ(again.constBits(), firstMemory);
    EXPECT_EQ(keptBitmapBytes(), 0u);
    EXPECT_EQ(again.bytesPerLine(), QImage(kWidth, kHeight, QImage::Format_BGR888).bytesPerLine());

    // Two pictures alive at once never share memory, and a copy written to detaches.
    QImage second = makeBitmap(kWidth, kHeight);
    EXPECT_NE(second.constBits(), again.constBits());
    again.fill(Qt::white);
    QImage copy = again;
    copy.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(again.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(BitmapRecyclingTest, WhatIsKeptIsBoundedAndFreedWhenTheRecyclingEnds) {
    {
        const BitmapRecycling recycling;
        {
            std::vector<QImage> many;
            for (int i = 0; i < 40; ++i) many.push_back(makeBitmap(kWidth, kHeight));
        }
        EXPECT_GT(keptBitmapBytes(), 0u);
        EXPECT_LE(keptBitmapBytes(), std::size_t{96} << 20);
    }
    EXPECT_EQ(keptBitmapBytes(), 0u);
    {
        QImage unkept = makeBitmap(kWidth, kHeight);
    }
    EXPECT_EQ(keptBitmapBytes(), 0u) << "nothing is kept without a recycling";
}

TEST(BitmapRecyclingTest, PicturesMadeAndDroppedOnManyThreadsStayWhole) {
    const BitmapRecycling recycling;
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < 20; ++round) {
                QImage picture = makeBitmap(kWidth, kHeight);
                picture.fill(QColor(t * 40, round, 7));
                const QRgb expected = qRgb(t * 40, round, 7);
                for (int y = 0; y < kHeight; y += 97)
                    if (picture.pixel(kWidth - 1, y) != expected) ++wrong[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace brenlow
