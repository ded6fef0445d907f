// The kernels work row by row, in bands on several threads and with fused passes; these tests
// compare them bit for bit with plain loops that follow the rules one sample at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "imaging/bitmap_bridge.h"
#include "imaging/enlarge_sharpen.h"
#include "imaging/quality_metrics.h"
#include "imaging/resampling.h"
#include "imaging/sharpening.h"

namespace brenlow {
namespace {

// Large enough that every kernel splits the picture into several bands.
constexpr int kWidth = 301;
constexpr int kHeight = 263;

ImagePlanes randomPlanes(int width, int height, unsigned seed, double zeroShare) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-20.0f, 280.0f);
    std::bernoulli_distribution zero(zeroShare);
    ImagePlanes planes(width, height);
    for (int channel = 0; channel < kChannels; ++channel) {
        for (std::size_t i = 0; i < planes.sampleCount(); ++i) {
            planes.plane(channel)[i] = zero(random) ? 0.0f : std::floor(sample(random));
        }
    }
    return planes;
}

// Random bytes, a share of them zero (black samples are holes to the enlargement's fill).
QImage randomBitmap(int width, int height, unsigned seed, double zeroShare) {
    std::mt19937 random(seed);
    std::bernoulli_distribution zero(zeroShare);
    QImage bitmap(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 3; ++x) {
            bitmap.scanLine(y)[x] = zero(random) ? 0 : static_cast<uchar>(random());
        }
    }
    return bitmap;
}

bool bitIdentical(const ImagePlanes& a, const ImagePlanes& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        if (std::memcmp(a.plane(channel), b.plane(channel), a.sampleCount() * sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

void referenceHalve(const ImagePlanes& src, ImagePlanes& dst) {
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int i = 0; i < src.height() - 1; i += 2) {
            for (int j = 0; j < src.width() - 1; j += 2) {
                const double p = src.at(channel, i, j);
                dst.at(channel, i / 2, j / 2) = static_cast<float>(
                    ((p + src.at(channel, i, j + 1)) * 0.5 + (p + src.at(channel, i + 1, j)) * 0.5) * 0.5);
            }
        }
    }
}

void referenceEnlarge(const ImagePlanes& src, ImagePlanes& dst) {
    const int hd = dst.height();
    const int wd = dst.width();
    for (int channel = 0; channel < kChannels; ++channel) {
        std::fill_n(dst.plane(channel), dst.sampleCount(), 0.0f);
    }
    for (int i = 0; i < hd - 1; i += 2) {
        for (int j = 0; j < wd - 1; j += 2) {
            const int sc = std::max(static_cast<int>(j / 2.0f) - 1, 0);
            const int sr = std::max(static_cast<int>(i / 2.0f) - 1, 0);
            for (int channel = 0; channel < kChannels; ++channel) {
                const double s = src.at(channel, sr, sc);
                dst.at(channel, i, j) = src.at(channel, sr, sc);
                dst.at(channel, i, j + 1) = static_cast<float>((s + src.at(channel, sr, sc + 1)) * 0.5);
                dst.at(channel, i + 1, j) = static_cast<float>((s + src.at(channel, sr + 1, sc)) * 0.5);
            }
        }
    }
    for (int i = 0; i < hd; ++i) {
        for (int j = 0; j < wd; ++j) {
            const int up = std::max(i - 1, 0), down = std::min(i + 1, hd - 1);
            const int left = std::max(j - 1, 0), right = std::min(j + 1, wd - 1);
            for (int channel = 0; channel < kChannels; ++channel) {
                if (dst.at(channel, i, j) == 0.0f) {
                    dst.at(channel, i, j) = static_cast<float>(
                        (static_cast<double>(dst.at(channel, up, left)) + dst.at(channel, down, right) +
                         dst.at(channel, down, left) + dst.at(channel, up, right)) *
                        0.25);
                }
            }
        }
    }
}

void referenceSharpen(ImagePlanes& planes, float strength) {
    const ImagePlanes c = planes.clone();
    for (int i = 1; i < planes.height() - 1; ++i) {
        for (int j = 1; j < planes.width() - 1; ++j) {
            for (int ch = 0; ch < kChannels; ++ch) {
                const double lap = (static_cast<double>(c.at(ch, i, j - 1)) + c.at(ch, i - 1, j) + c.at(ch, i + 1, j) +
                                    c.at(ch, i, j + 1)) * 4 +
                                   (static_cast<double>(c.at(ch, i - 1, j - 1)) + c.at(ch, i + 1, j - 1) +
                                    c.at(ch, i - 1, j + 1) + c.at(ch, i + 1, j + 1)) -
                                   20 * static_cast<double>(c.at(ch, i, j));
                planes.at(ch, i, j) = static_cast<float>(planes.at(ch, i, j) - lap * strength * (1.0 / 6));
            }
            for (int ch = 0; ch < kChannels; ++ch) {
                if (!(planes.at(ch, i, j) >= 0)) {
                    planes.at(ch, i, j) = 0.0f;
                }
            }
            for (int ch = 0; ch < kChannels; ++ch) {
                if (planes.at(ch, i, j) > 255) {
                    planes.at(ch, i, j) = 255.0f;
                }
            }
        }
    }
}

TEST(KernelEquivalenceTest, HalveMatchesThePlainLoops) {
    const ImagePlanes source = randomPlanes(kWidth, kHeight, 1, 0.05);
    ImagePlanes fast(kWidth / 2, kHeight / 2);
    ImagePlanes plain(kWidth / 2, kHeight / 2);
    HalveImage(source, fast);
    referenceHalve(source, plain);
    EXPECT_TRUE(bitIdentical(fast, plain));
}

TEST(KernelEquivalenceTest, HalvingABitmapEqualsHalvingItsPlanes) {
    for (const auto& [width, height] : {std::pair{kWidth, kHeight}, std::pair{300, 200}}) {
        const QImage bitmap = randomBitmap(width, height, 5, 0.0);
        ImagePlanes fromBitmap(width / 2, height / 2);
        ImagePlanes fromPlanes(width / 2, height / 2);
        HalveBitmap(bitmap, fromBitmap);
        HalveImage(planesFromBitmap(bitmap), fromPlanes);
        EXPECT_TRUE(bitIdentical(fromBitmap, fromPlanes)) << width << " x " << height;
    }
}

TEST(KernelEquivalenceTest, HalvingThroughATableEqualsLookingUpTheHalvedPlanes) {
    HalvedSampleTable table{};
    for (std::size_t sum = 0; sum < table.size(); ++sum) {
        table[sum] = static_cast<std::uint8_t>(sum * 7 + sum / 5);
    }
    for (const auto& [width, height] : {std::pair{kWidth, kHeight}, std::pair{300, 200}, std::pair{2, 3}}) {
        const QImage bitmap = randomBitmap(width, height, 9, 0.1);
        ImagePlanes half(width / 2, height / 2);
        HalveBitmap(bitmap, half);
        for (int channel = 0; channel < kChannels; ++channel) {
            for (std::size_t i = 0; i < half.sampleCount(); ++i) {
                float& sample = half.plane(channel)[i];
                sample = table[static_cast<std::size_t>(4 * sample)];
            }
        }
        EXPECT_EQ(HalveBitmapThroughTable(bitmap, table), bitmapFromPlanes(half)) << width << " x " << height;
    }
}

TEST(KernelEquivalenceTest, EnlargeMatchesThePlainLoopsWithManyZeros) {
    for (double zeroShare : {0.0, 0.3, 0.9}) {
        const ImagePlanes source = randomPlanes(kWidth, kHeight, 2, zeroShare);
        ImagePlanes fast(2 * kWidth, 2 * kHeight);
        ImagePlanes plain(2 * kWidth, 2 * kHeight);
        EnlargeImage(source, fast, 2.0f);
        referenceEnlarge(source, plain);
        EXPECT_TRUE(bitIdentical(fast, plain)) << "share of zeros " << zeroShare;
    }
}

TEST(KernelEquivalenceTest, RepeatedSharpeningMatchesThePlainLoops) {
    ImagePlanes fast = randomPlanes(kWidth, kHeight, 3, 0.1);
    fast.at(1, 100, 100) = std::numeric_limits<float>::quiet_NaN();
    ImagePlanes plain = fast.clone();
    for (int pass = 0; pass < 3; ++pass) {
        SharpenImage(fast, 0.125f);
        referenceSharpen(plain, 0.125f);
    }
    EXPECT_TRUE(bitIdentical(fast, plain));
}

TEST(KernelEquivalenceTest, StreamedDecodeEqualsTheSeparateKernels) {
    for (const int passes : {0, 1, 2, 5}) {
        const ImagePlanes source = randomPlanes(kWidth / 2, kHeight / 2, 6, 0.2);
        ImagePlanes separate(kWidth / 2 * 2, kHeight / 2 * 2);
        EnlargeImage(source, separate, 2.0f);
        for (int pass = 0; pass < passes; ++pass) {
            SharpenImage(separate, 0.125f);
        }
        ImagePlanes streamedPlanes;
        const QImage streamed = EnlargeAndSharpenToBitmap(source, 0.125f, passes, &streamedPlanes);
        EXPECT_TRUE(bitIdentical(streamedPlanes, separate)) << passes << " passes";
        EXPECT_EQ(streamed, bitmapFromPlanes(separate)) << passes << " passes";
        EXPECT_EQ(EnlargeAndSharpenToBitmap(source, 0.125f, passes, nullptr), streamed);
    }
}

TEST(KernelEquivalenceTest, StreamedDecodeFromBytesEqualsDecodingTheirPlanes) {
    SampleValues values{};
    for (std::size_t b = 0; b < values.size(); ++b) {
        values[b] = b % 17 == 3 ? 0.0f : static_cast<float>(b) * 1.5f - 20.0f;
    }
    for (const auto& [width, height, passes] : {std::tuple{kWidth / 2, kHeight / 2, 2}, std::tuple{7, 2, 0},
                                                 std::tuple{2, 9, 1}}) {
        const QImage bitmap = randomBitmap(width, height, 11, 0.3);
        ImagePlanes looked = planesFromBitmap(bitmap);
        for (int channel = 0; channel < kChannels; ++channel) {
            for (std::size_t i = 0; i < looked.sampleCount(); ++i) {
                float& sample = looked.plane(channel)[i];
                sample = values[static_cast<std::size_t>(sample)];
            }
        }
        ImagePlanes fromPlanes;
        ImagePlanes fromBytes;
        const QImage expected = EnlargeAndSharpenToBitmap(looked, 0.125f, passes, &fromPlanes);
        EXPECT_EQ(EnlargeAndSharpenToBitmap(bitmap, values, 0.125f, passes, &fromBytes), expected)
            << width << " x " << height;
        EXPECT_TRUE(bitIdentical(fromBytes, fromPlanes)) << width << " x " << height;
    }
}

TEST(KernelEquivalenceTest, NarrowingMatchesTheRuleForHugeValuesToo) {
    ImagePlanes planes = randomPlanes(kWidth, kHeight, 4, 0.0);
    planes.at(0, 7, 3) = 5.0e9f;
    planes.at(2, 200, 50) = -3.0e12f;
    planes.at(1, 150, 0) = std::numeric_limits<float>::infinity();
    const QImage bitmap = bitmapFromPlanes(planes);
    for (int row = 0; row < kHeight; ++row) {
        const uchar* pixels = bitmap.constScanLine(kHeight - 1 - row);
        for (int column = 0; column < kWidth; ++column) {
            ASSERT_EQ(pixels[3 * column], narrowSample(planes.at(2, row, column)));
            ASSERT_EQ(pixels[3 * column + 1], narrowSample(planes.at(1, row, column)));
            ASSERT_EQ(pixels[3 * column + 2], narrowSample(planes.at(0, row, column)));
        }
    }
    EXPECT_EQ(narrowSample(5.0e9f), static_cast<std::uint8_t>(5000000000LL));
}

}  // namespace
}  // namespace brenlow
