#include "io/bitmap_file.h"

#include <QImageReader>
#include <cstring>
#include <mutex>

#include "io/error.h"

namespace brenlow {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

std::uint32_t readLe32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
}

std::uint16_t readLe16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

void writeLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void writeLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

[[noreturn]] void throwNotABitmap(const std::string& name) {
    throw Error("\"" + name + "\" is not a valid bitmap file");
}

struct BitmapLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kUncompressed;
    std::uint32_t pixelOffset = 0;
};

BitmapLayout readLayout(std::span<const std::uint8_t> data, const std::string& name) {
    if (data.size() < kFileHeaderSize + kCoreHeaderSize || data[0] != 'B' || data[1] != 'M') {
        throwNotABitmap(name);
    }
    BitmapLayout layout;
    layout.pixelOffset = readLe32(data, 10);
    const std::uint32_t infoSize = readLe32(data, 14);
    if (infoSize == kCoreHeaderSize) {
        layout.width = readLe16(data, 18);
        layout.height = readLe16(data, 20);
        layout.bitCount = readLe16(data, 24);
    } else if (infoSize >= kInfoHeaderSize && data.size() >= kFileHeaderSize + kInfoHeaderSize) {
        layout.width = static_cast<std::int32_t>(readLe32(data, 18));
        layout.height = static_cast<std::int32_t>(readLe32(data, 22));
        layout.bitCount = readLe16(data, 28);
        layout.compression = readLe32(data, 30);
    } else {
        throwNotABitmap(name);
    }
    if (layout.height < 0) {
        layout.height = -layout.height;  // a top-down bitmap
    }
    return layout;
}

// Qt hands back a picture full of uninitialised memory when the pixel array is cut short, so
// uncompressed bitmaps are measured against their header before decoding.
void checkPixelArray(const BitmapLayout& layout, std::size_t fileSize, const std::string& name) {
    const bool uncompressed = layout.compression == kUncompressed || layout.compression == kBitFields ||
                              layout.compression == kAlphaBitFields;
    if (!uncompressed || layout.bitCount == 0 || layout.bitCount > 32) {
        return;
    }
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
    const std::uint64_t needed = layout.pixelOffset + rowBytes * static_cast<std::uint64_t>(layout.height);
    if (fileSize < needed) {
        throw Error("Bitmap file \"" + name + "\" is truncated: its pixel data is " +
                    std::to_string(needed - fileSize) + " bytes short");
    }
}

void raiseReaderAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt's own limit would refuse an 8000 x 8000 photograph; ours is checked before decoding.
        constexpr int kMegabytes = static_cast<int>(kMaxPixels * 4 / (1024 * 1024)) + 64;
        QImageReader::setAllocationLimit(kMegabytes);
    });
}

}  // namespace

void checkPictureSize(std::int64_t width, std::int64_t height, const std::string& what) {
    if (width <= 0 || height <= 0) {
        throw Error(what + " is empty (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
    }
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) {
        throw Error(what + " is too large: " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is above the limit of " + std::to_string(kMaxPixels / 1'000'000) + " megapixels");
    }
}

QImage decodeBitmap(std::span<const std::uint8_t> data, const std::string& name) {
    const BitmapLayout layout = readLayout(data, name);
    checkPictureSize(layout.width, layout.height, "The picture in \"" + name + "\"");
    checkPixelArray(layout, data.size(), name);
    raiseReaderAllocationLimit();
    QImage image;
    if (!image.loadFromData(data.data(), static_cast<int>(std::min<std::size_t>(data.size(), INT32_MAX)), "BMP")) {
        throwNotABitmap(name);
    }
    return image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
}

QImage loadBitmapFile(const std::string& path) {
    // A bitmap above the picture limit is far smaller than this; the header check refuses it first.
    constexpr std::uint64_t kMaxFileBytes = static_cast<std::uint64_t>(kMaxPixels) * 4 + (1 << 20);
    const Bytes data = readWholeFile(path, kMaxFileBytes);
    return decodeBitmap(data, path);
}

Bytes encodeBitmap(const QImage& picture) {
    const QImage image =
        picture.format() == QImage::Format_BGR888 ? picture : picture.convertToFormat(QImage::Format_BGR888);
    const auto width = static_cast<std::size_t>(image.width());
    const auto height = static_cast<std::size_t>(image.height());
    const std::size_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::size_t headerSize = kFileHeaderSize + kInfoHeaderSize;
    Bytes file(headerSize + rowBytes * height, 0);

    std::uint8_t* header = file.data();
    header[0] = 'B';
    header[1] = 'M';
    writeLe32(header + 2, static_cast<std::uint32_t>(file.size()));
    writeLe32(header + 10, static_cast<std::uint32_t>(headerSize));
    writeLe32(header + 14, static_cast<std::uint32_t>(kInfoHeaderSize));
    writeLe32(header + 18, static_cast<std::uint32_t>(width));
    writeLe32(header + 22, static_cast<std::uint32_t>(height));
    writeLe16(header + 26, 1);
    writeLe16(header + 28, 24);
    writeLe32(header + 34, static_cast<std::uint32_t>(rowBytes * height));
    writeLe32(header + 38, kPixelsPerMetre);
    writeLe32(header + 42, kPixelsPerMetre);

    // The file stores the bottom row first.
    for (std::size_t row = 0; row < height; ++row) {
        const uchar* source = image.constScanLine(static_cast<int>(height - 1 - row));
        std::memcpy(file.data() + headerSize + row * rowBytes, source, width * 3);
    }
    return file;
}

void saveBitmapFile(const QImage& picture, const std::string& path) { writeFileAtomically(path, encodeBitmap(picture)); }

QImage makeBitmap(int width, int height) {
    checkPictureSize(width, height, "The picture");
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull()) {
        throw Error("Not enough memory for a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels");
    }
    image.fill(Qt::black);
    return image;
}

}  // namespace brenlow
