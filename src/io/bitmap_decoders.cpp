#include "io/bitmap_decoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "io/bitmap_file.h"

namespace brenlow {
namespace {

using Colour = std::array<std::uint8_t, 3>;  // blue, green, red, as both the file and the picture hold them
using Palette = std::array<Colour, 256>;

constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

// Every index a pixel can hold gets a colour: black past the palette's end, as Qt's reader gives
// uncompressed palette bitmaps, so that a bitmap reads the same coded or not.
Palette readPalette(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name) {
    const std::uint64_t most = std::uint64_t{1} << layout.bitCount;
    const std::uint64_t count = layout.coloursUsed == 0 ? most : std::min<std::uint64_t>(layout.coloursUsed, most);
    const std::uint64_t start = kFileHeaderSize + layout.infoSize;
    if (start + count * 4 > file.size()) {
        throwNotABitmap(name);
    }
    Palette palette{};
    for (std::size_t entry = 0; entry < count; ++entry) {
        const std::size_t at = start + entry * 4;
        palette[entry] = {file[at], file[at + 1], file[at + 2]};
    }
    return palette;
}

void fillWith(QImage& picture, const Colour& colour) {
    const auto width = static_cast<std::size_t>(picture.width());
    uchar* const firstRow = picture.scanLine(0);
    for (std::size_t x = 0; x < width; ++x) {
        std::memcpy(firstRow + x * 3, colour.data(), 3);
    }
    for (int y = 1; y < picture.height(); ++y) {
        std::memcpy(picture.scanLine(y), firstRow, width * 3);
    }
}

// Where run-length data's pixels go. The cursor only moves forward through the stored rows, so
// each pixel is painted at most once; what lies past a row's end or above the last row is dropped.
class RunLengthCanvas {
public:
    RunLengthCanvas(QImage& picture, const Palette& palette, bool topDown)
        : firstLine_(picture.bits()),
          bytesPerLine_(static_cast<std::size_t>(picture.bytesPerLine())),
          width_(picture.width()),
          height_(picture.height()),
          topDown_(topDown),
          palette_(palette) {}

    bool finished() const { return row_ >= height_; }

    // `count` pixels at the cursor, the i-th of palette index indexAt(i).
    template <typename IndexAt>
    void paint(std::int64_t count, IndexAt indexAt) {
        const std::int64_t inRow = finished() ? 0 : std::clamp<std::int64_t>(width_ - column_, 0, count);
        if (inRow > 0) {
            uchar* const at = firstLine_ + pictureRow() * bytesPerLine_ + static_cast<std::size_t>(column_) * 3;
            for (std::int64_t i = 0; i < inRow; ++i) {
                std::memcpy(at + i * 3, palette_[indexAt(i)].data(), 3);
            }
        }
        column_ += count;
    }

    void endLine() {
        column_ = 0;
        ++row_;
    }

    void move(std::uint8_t right, std::uint8_t up) {
        column_ += right;
        row_ += up;
    }

private:
    std::size_t pictureRow() const {
        return static_cast<std::size_t>(topDown_ ? row_ : height_ - 1 - row_);
    }

    uchar* firstLine_;
    std::size_t bytesPerLine_;
    std::int64_t width_;
    std::int64_t height_;
    bool topDown_;
    const Palette& palette_;
    std::int64_t column_ = 0;
    std::int64_t row_ = 0;
};

// The i-th pixel of packed indices, the first one in the high bits.
std::uint8_t packedIndex(std::span<const std::uint8_t> bytes, std::int64_t i, unsigned bits) {
    if (bits == 8) {
        return bytes[static_cast<std::size_t>(i)];
    }
    const std::uint8_t byte = bytes[static_cast<std::size_t>(i / 2)];
    return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

// A run of one stored byte repeated: for 4 bits, its two indices alternate.
void paintRepeated(RunLengthCanvas& canvas, std::uint8_t count, std::uint8_t code, unsigned bits) {
    const std::span<const std::uint8_t> byte(&code, 1);
    canvas.paint(count, [&](std::int64_t i) { return packedIndex(byte, bits == 8 ? 0 : i % 2, bits); });
}

// Stored indices follow, padded to an even number of bytes. Returns the bytes they take; data
// cut short paints only the pixels it holds.
std::size_t paintLiteral(RunLengthCanvas& canvas, std::span<const std::uint8_t> rest, std::uint8_t count, unsigned bits) {
    const std::size_t bytes = (std::size_t{count} * bits + 7) / 8;
    const auto stored = rest.first(std::min(bytes, rest.size()));
    const auto pixels = std::min<std::int64_t>(count, static_cast<std::int64_t>(stored.size() * 8 / bits));
    canvas.paint(pixels, [&](std::int64_t i) { return packedIndex(stored, i, bits); });
    return bytes + bytes % 2;
}

void paintRunLengthData(std::span<const std::uint8_t> data, unsigned bits, RunLengthCanvas& canvas) {
    std::size_t at = 0;
    while (!canvas.finished() && data.size() - at >= 2) {
        const std::uint8_t count = data[at];
        const std::uint8_t code = data[at + 1];
        at += 2;
        if (count > 0) {
            paintRepeated(canvas, count, code, bits);
        } else if (code == kEndOfLine) {
            canvas.endLine();
        } else if (code == kEndOfBitmap) {
            return;
        } else if (code == kDelta) {
            if (data.size() - at < 2) {
                return;
            }
            canvas.move(data[at], data[at + 1]);
            at += 2;
        } else {
            at = std::min(data.size(), at + paintLiteral(canvas, data.subspan(at), code, bits));
        }
    }
}

struct ChannelMasks {
    std::uint32_t red;
    std::uint32_t green;
    std::uint32_t blue;
};

ChannelMasks readMasks(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name) {
    if (layout.compression == kUncompressed) {
        return {0x7C00, 0x03E0, 0x001F};
    }
    // Headers of 52 bytes and more hold the masks; shorter ones are followed by them.
    constexpr std::uint32_t kHeaderWithMasks = 52;
    const std::size_t at = kFileHeaderSize + (layout.infoSize >= kHeaderWithMasks ? kInfoHeaderSize : layout.infoSize);
    if (file.size() < at + 12) {
        throwNotABitmap(name);
    }
    return {readLe32(file, at), readLe32(file, at + 4), readLe32(file, at + 8)};
}

// One channel of a 16-bit pixel as 8 bits: value * 255 / max rounded to the nearest, one rule for
// masks of any width that keeps 0 at 0 and max at 255 (bit replication would need one per width).
class ChannelLevels {
public:
    explicit ChannelLevels(std::uint32_t mask)
        : mask_(mask & 0xFFFF), shift_(mask_ == 0 ? 0 : std::countr_zero(mask_)), levels_((mask_ >> shift_) + 1) {
        const std::uint32_t max = mask_ >> shift_;
        for (std::uint32_t value = 1; value <= max; ++value) {
            levels_[value] = static_cast<std::uint8_t>((value * 255 + max / 2) / max);
        }
    }

    std::uint8_t of(std::uint16_t pixel) const { return levels_[(pixel & mask_) >> shift_]; }

private:
    std::uint32_t mask_;
    int shift_;
    std::vector<std::uint8_t> levels_;
};

}  // namespace

bool isRunLengthBitmap(const BitmapLayout& layout) {
    return layout.compression == kRunLength8 || layout.compression == kRunLength4;
}

QImage decodeRunLengthBitmap(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name) {
    const unsigned bits = layout.compression == kRunLength8 ? 8 : 4;
    if (layout.bitCount != bits || layout.pixelOffset > file.size()) {
        throwNotABitmap(name);
    }
    const Palette palette = readPalette(file, layout, name);
    QImage picture = makeBitmap(static_cast<int>(layout.width), static_cast<int>(layout.height));
    fillWith(picture, palette[0]);
    RunLengthCanvas canvas(picture, palette, layout.topDown);
    paintRunLengthData(file.subspan(layout.pixelOffset), bits, canvas);
    return picture;
}

bool is16BitBitmap(const BitmapLayout& layout) {
    return layout.bitCount == 16 && (layout.compression == kUncompressed || layout.compression == kBitFields ||
                                     layout.compression == kAlphaBitFields);
}

QImage decode16BitBitmap(std::span<const std::uint8_t> file, const BitmapLayout& layout, const std::string& name) {
    if (layout.pixelOffset + layout.rowBytes() * static_cast<std::uint64_t>(layout.height) > file.size()) {
        throwNotABitmap(name);
    }
    const ChannelMasks masks = readMasks(file, layout, name);
    const ChannelLevels red(masks.red);
    const ChannelLevels green(masks.green);
    const ChannelLevels blue(masks.blue);
    QImage picture = makeBitmap(static_cast<int>(layout.width), static_cast<int>(layout.height));
    for (int stored = 0; stored < picture.height(); ++stored) {
        const std::size_t from = layout.pixelOffset + layout.rowBytes() * static_cast<std::size_t>(stored);
        uchar* const into = picture.scanLine(layout.topDown ? stored : picture.height() - 1 - stored);
        for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width()); ++x) {
            const std::uint16_t pixel = readLe16(file, from + x * 2);
            into[x * 3] = blue.of(pixel);
            into[x * 3 + 1] = green.of(pixel);
            into[x * 3 + 2] = red.of(pixel);
        }
    }
    return picture;
}

}  // namespace brenlow
