#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::messageOf;

void putLe(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A bitmap file with a 40-byte info header, then its masks, palette and pixel data.
struct BitmapFileBuilder {
    int width = 0;
    int height = 0;  // negative: top-down
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::vector<QRgb> palette;
    Bytes masks;
    Bytes pixels;

    Bytes bytes() const {
        const std::size_t offset = 54 + masks.size() + palette.size() * 4;
        Bytes file(offset + pixels.size(), 0);
        file[0] = 'B';
        file[1] = 'M';
        putLe(file, 2, static_cast<std::uint32_t>(file.size()), 4);
        putLe(file, 10, static_cast<std::uint32_t>(offset), 4);
        putLe(file, 14, 40, 4);
        putLe(file, 18, static_cast<std::uint32_t>(width), 4);
        putLe(file, 22, static_cast<std::uint32_t>(height), 4);
        putLe(file, 26, 1, 2);
        putLe(file, 28, bitCount, 2);
        putLe(file, 30, compression, 4);
        putLe(file, 34, static_cast<std::uint32_t>(pixels.size()), 4);
        putLe(file, 46, static_cast<std::uint32_t>(palette.size()), 4);
        auto at = std::copy(masks.begin(), masks.end(), file.begin() + 54);
        for (const QRgb colour : palette) {
            *at++ = static_cast<std::uint8_t>(qBlue(colour));
            *at++ = static_cast<std::uint8_t>(qGreen(colour));
            *at++ = static_cast<std::uint8_t>(qRed(colour));
            ++at;
        }
        std::copy(pixels.begin(), pixels.end(), at);
        return file;
    }
};

// Entry 0 is a colour no other entry and no black pixel is mistaken for. Four entries only, so
// that index 9 lies past the palette's end.
const std::vector<QRgb> kPalette = {qRgb(201, 17, 143), qRgb(20, 180, 40), qRgb(30, 60, 240), qRgb(250, 230, 10)};

// Rows of palette indices as hexadecimal digits, in the file's order, packed and padded as an
// uncompressed bitmap stores them.
Bytes packedRows(const std::vector<std::string>& rows, unsigned bits) {
    Bytes packed;
    for (const std::string& row : rows) {
        Bytes bytes((row.size() * bits + 31) / 32 * 4, 0);
        for (std::size_t x = 0; x < row.size(); ++x) {
            const auto index = static_cast<std::uint8_t>(std::stoi(std::string(1, row[x]), nullptr, 16));
            if (bits == 8) {
                bytes[x] = index;
            } else {
                bytes[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
            }
        }
        packed.insert(packed.end(), bytes.begin(), bytes.end());
    }
    return packed;
}

BitmapFileBuilder runLengthBitmap(unsigned bits, int width, int height, Bytes data) {
    return {width, height, static_cast<std::uint16_t>(bits), bits == 8 ? 1u : 2u, kPalette, {}, std::move(data)};
}

// The same picture stored uncompressed, read by Qt's reader.
QImage uncompressedTwin(unsigned bits, int width, int height, const std::vector<std::string>& storedRows) {
    const BitmapFileBuilder twin{width, height, static_cast<std::uint16_t>(bits), 0, kPalette, {}, packedRows(storedRows, bits)};
    return decodeBitmap(twin.bytes(), "twin.bmp");
}

QByteArray everyByteOf(const QImage& picture) {
    return {reinterpret_cast<const char*>(picture.constBits()), static_cast<qsizetype>(picture.sizeInBytes())};
}

struct RunLengthCase {
    const char* what;
    Bytes data;
    std::vector<std::string> storedRows;  // what the data paints, bottom row first; 0 where it paints nothing
};

// Each case is 6 x 4 pixels. The picture has every pixel defined (decoding twice gives the same
// bytes, padding included) and equals the uncompressed bitmap of the expected indices.
void expectEachCaseDecodesLikeItsTwin(unsigned bits, const std::vector<RunLengthCase>& cases) {
    for (const RunLengthCase& each : cases) {
        SCOPED_TRACE(each.what);
        const Bytes file = runLengthBitmap(bits, 6, 4, each.data).bytes();
        const QImage first = decodeBitmap(file, "rle.bmp");
        const QImage second = decodeBitmap(file, "rle.bmp");
        ASSERT_EQ(first.format(), QImage::Format_BGR888);
        EXPECT_EQ(everyByteOf(first), everyByteOf(second));
        EXPECT_EQ(first, uncompressedTwin(bits, 6, 4, each.storedRows));
    }
}

TEST(RunLengthBitmapTest, EightBitDataThatSkipsOrStopsEarlyLeavesPaletteEntryZero) {
    expectEachCaseDecodesLikeItsTwin(
        8, {{"every pixel painted", {6, 1, 0, 0, 6, 2, 0, 0, 0, 3, 1, 2, 3, 0, 3, 2, 0, 0, 6, 3, 0, 1},
             {"111111", "222222", "123222", "333333"}},
            {"ends of line early", {3, 1, 0, 0, 6, 2, 0, 0, 2, 3, 0, 0, 6, 1, 0, 1}, {"111000", "222222", "330000", "111111"}},
            {"end of bitmap early", {6, 1, 0, 0, 2, 2, 0, 1, 6, 3}, {"111111", "220000", "000000", "000000"}},
            {"a delta", {2, 1, 0, 2, 3, 1, 2, 3, 0, 0, 6, 1, 0, 1}, {"110000", "000003", "111111", "000000"}},
            {"no end marker", {6, 1, 0, 0, 3, 2}, {"111111", "222000", "000000", "000000"}},
            {"literal cut short", {0, 5, 1, 2, 3}, {"123000", "000000", "000000", "000000"}},
            {"index past the palette", {2, 9, 4, 1, 0, 1}, {"991111", "000000", "000000", "000000"}},
            {"runs past the row's end", {4, 1, 200, 2, 0, 0, 0, 9, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 2},
             {"111122", "333333", "200000", "000000"}},
            {"a delta out of the picture", {1, 1, 0, 2, 255, 255, 6, 2, 0, 0, 6, 2}, {"100000", "000000", "000000", "000000"}},
            {"more rows than the picture", {6, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 2}, {"111111", "000000", "000000", "000000"}}});
}

TEST(RunLengthBitmapTest, FourBitDataThatSkipsOrStopsEarlyLeavesPaletteEntryZero) {
    expectEachCaseDecodesLikeItsTwin(
        4, {{"every pixel painted", {6, 0x12, 0, 0, 0, 6, 0x31, 0x23, 0x12, 0, 0, 0, 6, 0x33, 0, 0, 6, 0x22, 0, 1},
             {"121212", "312312", "333333", "222222"}},
            {"ends of line early", {3, 0x11, 0, 0, 6, 0x22, 0, 0, 2, 0x33, 0, 0, 6, 0x11, 0, 1},
             {"111000", "222222", "330000", "111111"}},
            {"end of bitmap early", {6, 0x11, 0, 0, 3, 0x23, 0, 1, 6, 0x33}, {"111111", "232000", "000000", "000000"}},
            {"a delta", {2, 0x11, 0, 2, 3, 1, 2, 0x33, 0, 0, 6, 0x11, 0, 1}, {"110000", "000003", "111111", "000000"}},
            {"no end marker", {6, 0x11, 0, 0, 3, 0x22}, {"111111", "222000", "000000", "000000"}},
            {"literal cut short", {0, 5, 0x12, 0x33}, {"123300", "000000", "000000", "000000"}},
            {"index past the palette", {3, 0x9a, 3, 0x11, 0, 1}, {"9a9111", "000000", "000000", "000000"}},
            {"runs past the row's end", {4, 0x11, 200, 0x22, 0, 0, 0, 9, 0x33, 0x33, 0x33, 0x33, 0x30, 0, 0, 0, 1, 0x22},
             {"111122", "333333", "200000", "000000"}},
            {"a delta out of the picture", {1, 0x11, 0, 2, 255, 255, 6, 0x22}, {"100000", "000000", "000000", "000000"}}});
}

TEST(RunLengthBitmapTest, TopDownBitmapsAndFilesOnDiskDecodeAlike) {
    const Bytes data = {6, 1, 0, 0, 2, 2, 0, 2, 1, 1, 1, 3, 0, 1};
    const std::vector<std::string> storedRows = {"111111", "220000", "000300", "000000"};
    EXPECT_EQ(decodeBitmap(runLengthBitmap(8, 6, -4, data).bytes(), "down.bmp"), uncompressedTwin(8, 6, -4, storedRows));

    testing::TempDir dir;
    const Bytes file = runLengthBitmap(8, 6, 4, data).bytes();
    std::ofstream(dir.file("rle.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const QImage loaded = loadBitmapFile(dir.file("rle.bmp"));
    EXPECT_EQ(loaded, uncompressedTwin(8, 6, 4, storedRows));
    EXPECT_EQ(loaded.pixel(5, 0), kPalette[0]);
}

TEST(RunLengthBitmapTest, RefusesFilesWhosePaletteOrDataIsNotThere) {
    const std::string notValid = "\"bad.bmp\" is not a valid bitmap file";
    BitmapFileBuilder wrongDepth = runLengthBitmap(8, 6, 4, {6, 1, 0, 1});
    wrongDepth.bitCount = 4;
    EXPECT_EQ(messageOf([&] { decodeBitmap(wrongDepth.bytes(), "bad.bmp"); }), notValid);

    Bytes paletteCutShort = runLengthBitmap(8, 6, 4, {}).bytes();
    putLe(paletteCutShort, 46, 200, 4);
    EXPECT_EQ(messageOf([&] { decodeBitmap(paletteCutShort, "bad.bmp"); }), notValid);

    Bytes dataPastTheEnd = runLengthBitmap(4, 6, 4, {6, 0x11, 0, 1}).bytes();
    putLe(dataPastTheEnd, 10, static_cast<std::uint32_t>(dataPastTheEnd.size() + 1), 4);
    EXPECT_EQ(messageOf([&] { decodeBitmap(dataPastTheEnd, "bad.bmp"); }), notValid);
}

// 16-bit pixels in a file's order, each row padded to four bytes.
Bytes sixteenBitRows(int width, const std::vector<std::uint16_t>& pixels) {
    Bytes rows;
    for (std::size_t at = 0; at < pixels.size(); at += static_cast<std::size_t>(width)) {
        Bytes row((static_cast<std::size_t>(width) * 16 + 31) / 32 * 4, 0);
        for (int x = 0; x < width; ++x) {
            putLe(row, static_cast<std::size_t>(x) * 2, pixels[at + static_cast<std::size_t>(x)], 2);
        }
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

Bytes maskBytes(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    Bytes masks(12, 0);
    putLe(masks, 0, red, 4);
    putLe(masks, 4, green, 4);
    putLe(masks, 8, blue, 4);
    return masks;
}

// A channel of `bits` bits stretched to 0-255 as the nearest level.
int nearestLevel(int value, int bits) { return static_cast<int>(std::lround(value * 255.0 / ((1 << bits) - 1))); }

TEST(SixteenBitBitmapTest, FiveFiveFiveSamplesSpanTheFullRange) {
    std::vector<std::uint16_t> pixels = {0x7FFF, 0x0000};
    for (int value = 0; value < 32; ++value) {
        pixels.push_back(static_cast<std::uint16_t>(value << 10 | value << 5 | (31 - value)));
    }
    const int width = static_cast<int>(pixels.size());
    const QImage picture = decodeBitmap(BitmapFileBuilder{width, 1, 16, 0, {}, {}, sixteenBitRows(width, pixels)}.bytes(), "555.bmp");
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 0, 0));
    for (int value = 0; value < 32; ++value) {
        EXPECT_EQ(picture.pixel(2 + value, 0), qRgb(nearestLevel(value, 5), nearestLevel(value, 5), nearestLevel(31 - value, 5)))
            << value;
    }
}

TEST(SixteenBitBitmapTest, FiveSixFiveSamplesFromMasksSpanTheFullRange) {
    std::vector<std::uint16_t> pixels = {0xFFFF, 0x0000};
    for (int value = 0; value < 64; ++value) {
        pixels.push_back(static_cast<std::uint16_t>((value / 2) << 11 | value << 5 | (31 - value / 2)));
    }
    const int width = static_cast<int>(pixels.size());
    const BitmapFileBuilder file{width, 1, 16, 3, {}, maskBytes(0xF800, 0x07E0, 0x001F), sixteenBitRows(width, pixels)};
    const QImage picture = decodeBitmap(file.bytes(), "565.bmp");
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 0, 0));
    for (int value = 0; value < 64; ++value) {
        EXPECT_EQ(picture.pixel(2 + value, 0),
                  qRgb(nearestLevel(value / 2, 5), nearestLevel(value, 6), nearestLevel(31 - value / 2, 5)))
            << value;
    }
}

// Four-bit channels: value * 255 / 15 is a whole number, value * 17.
TEST(SixteenBitBitmapTest, OtherMasksTopDownRowsAndMissingMasks) {
    const std::vector<std::uint16_t> pixels = {0x0F08, 0x00F0, 0x0000, 0x0FFF};
    const BitmapFileBuilder file{2, -2, 16, 3, {}, maskBytes(0x0F00, 0x00F0, 0x000F), sixteenBitRows(2, pixels)};
    const QImage picture = decodeBitmap(file.bytes(), "444.bmp");
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 0, 8 * 17));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(0, 1), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(1, 1), qRgb(255, 255, 255));

    const Bytes withoutMasks = BitmapFileBuilder{1, 1, 16, 3, {}, {}, sixteenBitRows(1, {0xFFFF})}.bytes();
    EXPECT_EQ(messageOf([&] { decodeBitmap(withoutMasks, "m.bmp"); }), "\"m.bmp\" is not a valid bitmap file");
}

}  // namespace
}  // namespace brenlow
