#include "codecs/quantiser.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/error.h"

namespace brenlow {
namespace {

// One-row planes holding the same values in every channel.
ImagePlanes rowOf(const std::vector<float>& values) {
    ImagePlanes planes(static_cast<int>(values.size()), 1);
    for (int channel = 0; channel < kChannels; ++channel) {
        std::copy(values.begin(), values.end(), planes.plane(channel));
    }
    return planes;
}

std::vector<float> channel(const ImagePlanes& planes, int index) {
    return {planes.plane(index), planes.plane(index) + planes.sampleCount()};
}

TEST(QuantiseTest, DividesAndTruncatesAtTwoAndAHalf) {
    ImagePlanes planes = rowOf({255.0f, 101.75f, 254.0f, 2.0f, 0.0f});
    quantisePlanes(planes, 2.5f);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(channel(planes, c), (std::vector<float>{102, 40, 101, 0, 0}));
    }
}

TEST(QuantiseTest, KeepsLowEightBitsAtOneHalf) {
    ImagePlanes planes = rowOf({255.0f, 128.0f, 100.0f});
    quantisePlanes(planes, 0.5f);
    EXPECT_EQ(channel(planes, 0), (std::vector<float>{254, 0, 200}));
}

TEST(QuantiseTest, NegativeSampleNamesItsChannel) {
    for (int negative = 0; negative < kChannels; ++negative) {
        ImagePlanes planes = rowOf({10.0f, 20.0f});
        planes.plane(negative)[1] = -1.0f;
        try {
            quantisePlanes(planes, 2.5f);
            FAIL() << "no error for channel " << negative;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Negative subtraction result (code=" + std::to_string(negative + 1) +
                                                     ") ! Send image to brenlow-support@example.org");
        }
    }
}

TEST(QuantiseTest, FirstNegativeInPixelOrderWins) {
    ImagePlanes planes = rowOf({10.0f, 20.0f});
    planes.blue()[0] = -3.0f;
    planes.red()[1] = -3.0f;
    EXPECT_THROW(
        {
            try {
                quantisePlanes(planes, 2.5f);
            } catch (const Error& error) {
                EXPECT_NE(std::string(error.what()).find("code=3"), std::string::npos);
                throw;
            }
        },
        Error);
}

// Every quarter step a halved sample can take, through the planes and through the tables.
TEST(QuantiseTest, TablesEqualTheQuantiserAndDequantiserOfPlanes) {
    std::vector<float> quarters(kHalvedSums);
    for (int sum = 0; sum < kHalvedSums; ++sum) {
        quarters[static_cast<std::size_t>(sum)] = static_cast<float>(sum) * 0.25f;
    }
    for (const float divisor : {0.5f, 2.5f, 3.5f, 9.5f, 0.0f}) {
        ImagePlanes planes = rowOf(quarters);
        quantisePlanes(planes, divisor);
        const std::optional<HalvedSampleTable> table = halvedQuantiserTable(divisor);
        ASSERT_TRUE(table.has_value());
        for (int sum = 0; sum < kHalvedSums; ++sum) {
            ASSERT_EQ((*table)[static_cast<std::size_t>(sum)], planes.green()[sum]) << divisor << " " << sum;
        }
        std::vector<float> bytes(256);
        for (int v = 0; v < 256; ++v) {
            bytes[static_cast<std::size_t>(v)] = static_cast<float>(v);
        }
        ImagePlanes back = rowOf(bytes);
        dequantisePlanes(back, divisor);
        const SampleValues values = dequantisedSampleValues(divisor);
        EXPECT_EQ(std::vector<float>(values.begin(), values.end()), channel(back, 1)) << divisor;
    }
    EXPECT_FALSE(halvedQuantiserTable(-2.5f).has_value());
}

TEST(DequantiseTest, MultipliesTruncatesAndCapsAt255) {
    ImagePlanes planes = rowOf({40.0f, 102.0f, 103.0f, 101.0f, 0.0f});
    dequantisePlanes(planes, 2.5f);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(channel(planes, c), (std::vector<float>{100, 255, 255, 252, 0}));
    }
}

TEST(DequantiseTest, UndoesQuantisingWithinOneStep) {
    std::vector<float> all(256);
    for (int v = 0; v < 256; ++v) {
        all[v] = static_cast<float>(v);
    }
    ImagePlanes planes = rowOf(all);
    quantisePlanes(planes, 2.5f);
    dequantisePlanes(planes, 2.5f);
    for (int v = 0; v < 256; ++v) {
        EXPECT_LE(planes.red()[v], all[v]) << v;
        EXPECT_GT(planes.red()[v], all[v] - 3.0f) << v;
    }
}

}  // namespace
}  // namespace brenlow

namespace brenlow {
namespace {

// Every byte value at every place of a row, in rows whose ends fall inside and outside the
// 64-byte steps of the vector mapping; a table of scrambled entries catches a wrong half or quarter.
TEST(MappedBitmapTest, EveryByteGoesThroughItsOwnEntryWhateverTheRowLength) {
    ByteTable table{};
    for (std::size_t value = 0; value < table.size(); ++value) table[value] = static_cast<uchar>((value * 167 + 89) % 256);
    for (int width : {1, 21, 22, 64, 85, 300}) {
        QImage bitmap(width, 7, QImage::Format_BGR888);
        for (int y = 0; y < bitmap.height(); ++y)
            for (int i = 0; i < 3 * width; ++i) bitmap.scanLine(y)[i] = static_cast<uchar>((y * 131 + i * 7) % 256);
        const QImage mapped = mappedBitmap(bitmap, table);
        int wrong = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int i = 0; i < 3 * width; ++i) wrong += mapped.constScanLine(y)[i] != table[bitmap.constScanLine(y)[i]];
        EXPECT_EQ(wrong, 0) << "width " << width;
    }
}

}  // namespace
}  // namespace brenlow
