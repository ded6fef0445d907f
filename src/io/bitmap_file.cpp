#include "io/bitmap_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "io/bitmap_decoders.h"
#include "io/bitmap_layout.h"
#include "io/bitmap_recycling.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

void writeLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void writeLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// The header's fixed part and the largest info header there is.
constexpr std::size_t kLongestHeader = kFileHeaderSize + 124;

BitmapLayout readLayout(std::span<const std::uint8_t> data, const std::string& name) {
    if (data.size() < kFileHeaderSize + kCoreHeaderSize || data[0] != 'B' || data[1] != 'M') {
        throwNotABitmap(name);
    }
    BitmapLayout layout;
    layout.pixelOffset = readLe32(data, 10);
    const std::uint32_t infoSize = readLe32(data, 14);
    layout.infoSize = infoSize;
    if (infoSize == kCoreHeaderSize) {
        layout.width = readLe16(data, 18);
        layout.height = readLe16(data, 20);
        layout.bitCount = readLe16(data, 24);
    } else if (infoSize >= kInfoHeaderSize && data.size() >= kFileHeaderSize + kInfoHeaderSize) {
        layout.width = static_cast<std::int32_t>(readLe32(data, 18));
        layout.height = static_cast<std::int32_t>(readLe32(data, 22));
        layout.bitCount = readLe16(data, 28);
        layout.compression = readLe32(data, 30);
        layout.coloursUsed = readLe32(data, 46);
    } else {
        throwNotABitmap(name);
    }
    if (layout.height < 0) {
        layout.height = -layout.height;
        layout.topDown = true;
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
    const std::uint64_t needed = layout.pixelOffset + layout.rowBytes() * static_cast<std::uint64_t>(layout.height);
    if (fileSize < needed) {
        throw Error("Bitmap file \"" + name + "\" is truncated: its pixel data is " +
                    std::to_string(needed - fileSize) + " bytes short");
    }
}

std::atomic<std::thread::id> readersPreparedOn;

}  // namespace

std::thread::id imageReadersPreparedOn() { return readersPreparedOn.load(); }

void prepareImageReaders() {
    static std::once_flag once;
    std::call_once(once, [] {
        readersPreparedOn.store(std::this_thread::get_id());
        constexpr int kMegabytes = static_cast<int>(kMaxPixels * 4 / (1024 * 1024)) + 64;
        QImageReader::setAllocationLimit(kMegabytes);
        // Asking the readers to recognise data no plugin takes instantiates every one.
        QByteArray unrecognisable(64, '\0');
        QBuffer buffer(&unrecognisable);
        buffer.open(QIODevice::ReadOnly);
        QImageReader::imageFormat(&buffer);
        // Writers too: a sweep writes a codec's input pictures on several threads at once.
        QByteArray written;
        QBuffer writing(&written);
        for (const QByteArray& format : QImageWriter::supportedImageFormats()) {
            QImageWriter writer(&writing, format);
            writer.canWrite();
        }
    });
}

namespace {

std::size_t paddedRowBytes(std::size_t width) { return (width * 3 + 3) / 4 * 4; }

}  // namespace

std::uint64_t bitmapFileSize(int width, int height) {
    return kFileHeaderSize + kInfoHeaderSize +
           static_cast<std::uint64_t>(paddedRowBytes(static_cast<std::size_t>(width))) * static_cast<std::uint64_t>(height);
}

namespace {

// The 54-byte header of a 24-bit bottom-up bitmap file of this size.
Bytes bitmapHeader(int width, int height) {
    const std::size_t imageBytes = paddedRowBytes(static_cast<std::size_t>(width)) * static_cast<std::size_t>(height);
    Bytes header(kFileHeaderSize + kInfoHeaderSize, 0);
    header[0] = 'B';
    header[1] = 'M';
    writeLe32(header.data() + 2, static_cast<std::uint32_t>(bitmapFileSize(width, height)));
    writeLe32(header.data() + 10, static_cast<std::uint32_t>(header.size()));
    writeLe32(header.data() + 14, static_cast<std::uint32_t>(kInfoHeaderSize));
    writeLe32(header.data() + 18, static_cast<std::uint32_t>(width));
    writeLe32(header.data() + 22, static_cast<std::uint32_t>(height));
    writeLe16(header.data() + 26, 1);
    writeLe16(header.data() + 28, 24);
    writeLe32(header.data() + 34, static_cast<std::uint32_t>(imageBytes));
    writeLe32(header.data() + 38, kPixelsPerMetre);
    writeLe32(header.data() + 42, kPixelsPerMetre);
    return header;
}

// Plain 24-bit rows are already blue, green, red: they are copied straight into the picture,
// skipping the reader's 32-bit detour.
bool isPlain24Bit(const BitmapLayout& layout) {
    return layout.bitCount == 24 && layout.compression == kUncompressed && layout.infoSize >= kInfoHeaderSize &&
           layout.pixelOffset >= kFileHeaderSize + layout.infoSize;
}

// Below this a second thread costs more than it saves.
constexpr std::size_t kBytesWorthTwoThreads = std::size_t{4} << 20;

// `readRow(offset, into, count)` fetches stored bytes and may be called from two threads at once;
// the first stored row is the bottom one unless the bitmap is top-down. Large pictures are read
// in two halves side by side: most of the time goes into the first touch of the picture's fresh
// memory, which both cores can do.
template <typename ReadRow>
QImage copyPlainRows(const BitmapLayout& layout, ReadRow readRow) {
    QImage image = makeBitmap(static_cast<int>(layout.width), static_cast<int>(layout.height));
    const auto height = static_cast<int>(layout.height);
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.width) * 3;
    uchar* const firstLine = image.bits();  // detaches once, before any thread starts
    const auto bytesPerLine = static_cast<std::size_t>(image.bytesPerLine());
    auto copyRows = [&](int begin, int end) {
        for (int stored = begin; stored < end; ++stored) {
            const int pictureRow = layout.topDown ? stored : height - 1 - stored;
            readRow(layout.pixelOffset + layout.rowBytes() * static_cast<std::uint64_t>(stored),
                    firstLine + static_cast<std::size_t>(pictureRow) * bytesPerLine, pixelBytes);
        }
    };
    if (pixelBytes * static_cast<std::size_t>(height) < kBytesWorthTwoThreads || height < 2) {
        copyRows(0, height);
        return image;
    }
    std::exception_ptr failure;
    {
        const std::jthread upperHalf([&] {
            try {
                copyRows(height / 2, height);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        copyRows(0, height / 2);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return image;
}

QImage decodeThroughQt(std::span<const std::uint8_t> data, const std::string& name) {
    prepareImageReaders();
    QImage image;
    if (!image.loadFromData(data.data(), static_cast<int>(std::min<std::size_t>(data.size(), INT32_MAX)), "BMP")) {
        throwNotABitmap(name);
    }
    return as24BitPicture(image);
}

// Bitmaps other than plain 24-bit ones, held whole in memory.
QImage decodeOtherKinds(std::span<const std::uint8_t> data, const BitmapLayout& layout, const std::string& name) {
    if (isRunLengthBitmap(layout)) {
        return decodeRunLengthBitmap(data, layout, name);
    }
    if (is16BitBitmap(layout)) {
        return decode16BitBitmap(data, layout, name);
    }
    return decodeThroughQt(data, name);
}

// Every check a bitmap passes before any pixel is decoded.
void checkLayout(const BitmapLayout& layout, std::uint64_t fileSize, const std::string& name) {
    checkPictureSize(layout.width, layout.height, "The picture in \"" + name + "\"");
    checkPixelArray(layout, fileSize, name);
}

BitmapLayout checkedLayout(std::span<const std::uint8_t> header, std::uint64_t fileSize, const std::string& name) {
    const BitmapLayout layout = readLayout(header, name);
    checkLayout(layout, fileSize, name);
    return layout;
}

BitmapLayout fileLayout(const InputFile& file, const std::string& path) {
    std::uint8_t header[kLongestHeader] = {};
    const std::size_t headerBytes = static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kLongestHeader));
    file.readAt(0, header, headerBytes);
    return readLayout({header, headerBytes}, path);
}

}  // namespace

QImage decodeBitmap(std::span<const std::uint8_t> data, const std::string& name) {
    const BitmapLayout layout = checkedLayout(data, data.size(), name);
    if (isPlain24Bit(layout)) {
        return copyPlainRows(layout, [&](std::uint64_t offset, uchar* into, std::size_t count) {
            std::memcpy(into, data.data() + offset, count);
        });
    }
    return decodeOtherKinds(data, layout, name);
}

QImage loadBitmapFile(const std::string& path) {
    const InputFile file(path);
    const BitmapLayout layout = fileLayout(file, path);
    checkLayout(layout, file.size(), path);
    if (isPlain24Bit(layout)) {
        return copyPlainRows(layout, [&](std::uint64_t offset, uchar* into, std::size_t count) {
            file.readAt(offset, into, count);
        });
    }
    // A bitmap within the picture limit is far smaller than this.
    constexpr std::uint64_t kMaxFileBytes = static_cast<std::uint64_t>(kMaxPixels) * 4 + (1 << 20);
    return decodeOtherKinds(readWholeFile(path, kMaxFileBytes), layout, path);
}

bool bitmapDecodedHere(const std::string& path) {
    try {
        const BitmapLayout layout = fileLayout(InputFile(path), path);
        return isPlain24Bit(layout) || isRunLengthBitmap(layout) || is16BitBitmap(layout);
    } catch (const Error&) {
        return false;
    }
}

Bytes encodeBitmap(const QImage& picture) {
    const QImage image = as24BitPicture(picture);
    const auto width = static_cast<std::size_t>(image.width());
    const auto height = static_cast<std::size_t>(image.height());
    Bytes file = bitmapHeader(image.width(), image.height());
    const std::size_t headerSize = file.size();
    const std::size_t rowBytes = paddedRowBytes(width);
    file.resize(headerSize + rowBytes * height, 0);
    for (std::size_t row = 0; row < height; ++row) {
        const uchar* source = image.constScanLine(static_cast<int>(height - 1 - row));
        std::memcpy(file.data() + headerSize + row * rowBytes, source, width * 3);
    }
    return file;
}

namespace {

// The header and the picture's own rows, bottom row first, each followed by its padding: no copy
// of the picture is made.
struct BitmapPieces {
    Bytes fileHeader;
    std::vector<std::span<const std::uint8_t>> pieces;
    std::size_t piecesPerRow = 1;
};

BitmapPieces bitmapPieces(const RowsInTheMaking::Lines& lines) {
    const auto width = static_cast<std::size_t>(lines.width);
    const auto height = static_cast<std::size_t>(lines.height);
    const std::size_t pixelBytes = width * 3;
    const std::size_t rowBytes = paddedRowBytes(width);
    static constexpr std::uint8_t kPadding[3] = {};
    BitmapPieces file{bitmapHeader(lines.width, lines.height), {}, rowBytes > pixelBytes ? 2u : 1u};
    file.pieces.reserve(1 + file.piecesPerRow * height);
    file.pieces.emplace_back(file.fileHeader);
    for (std::size_t row = 0; row < height; ++row) {
        file.pieces.emplace_back(lines.topLine + (height - 1 - row) * lines.bytesPerLine, pixelBytes);
        if (rowBytes > pixelBytes) {
            file.pieces.emplace_back(kPadding, rowBytes - pixelBytes);
        }
    }
    return file;
}

}  // namespace

PendingFile prepareBitmapFile(const QImage& picture, const std::string& path) {
    if (picture.format() != QImage::Format_BGR888) {
        return prepareBitmapFile(picture.convertToFormat(QImage::Format_BGR888), path);
    }
    const BitmapPieces file = bitmapPieces(
        {picture.constBits(), static_cast<std::size_t>(picture.bytesPerLine()), picture.width(), picture.height()});
    return PendingFile(path, file.pieces);
}

PendingFile prepareBitmapFileAsMade(RowsInTheMaking& picture, const std::string& path) {
    const BitmapPieces file = bitmapPieces(picture.waitForPicture());
    // Piece 0 is the header; each row's pieces follow it, the bottom row first.
    const auto rowsUpTo = [&file](std::size_t piece) {
        return piece == 0 ? 0 : static_cast<int>((piece - 1) / file.piecesPerRow + 1);
    };
    return PendingFile(path, file.pieces, [&](std::size_t piece) { picture.waitForBottomRows(rowsUpTo(piece)); });
}

void saveBitmapFile(const QImage& picture, const std::string& path) {
    PendingFile file = prepareBitmapFile(picture, path);
    putInPlaceTogether({&file, 1});
}

QImage as24BitPicture(const QImage& picture) {
    return picture.format() == QImage::Format_BGR888 ? picture : picture.convertToFormat(QImage::Format_BGR888);
}

QImage makeBitmap(int width, int height) {
    checkPictureSize(width, height, "The picture");
    QImage image = allocateBitmap(width, height);
    if (image.isNull()) {
        throw Error("Not enough memory for a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels");
    }
    // Clearing every pixel would touch the whole buffer once more; only the row ends that no pixel
    // covers are cleared, so that no stale bytes are ever seen.
    const auto pixelBytes = static_cast<std::size_t>(width) * 3;
    const auto padding = static_cast<std::size_t>(image.bytesPerLine()) - pixelBytes;
    if (padding > 0) {
        for (int y = 0; y < height; ++y) {
            std::memset(image.scanLine(y) + pixelBytes, 0, padding);
        }
    }
    return image;
}

BitmapInTheMaking::BitmapInTheMaking(int width, int height) : width_(width), height_(height) {
    // Small pictures are made when taken: a thread would cost more than their memory.
    if (static_cast<std::int64_t>(width) * height * 3 < static_cast<std::int64_t>(kBytesWorthTwoThreads)) {
        return;
    }
    making_ = std::async(std::launch::async, [width, height] {
        QImage image = makeBitmap(width, height);
        std::memset(image.bits(), 0, static_cast<std::size_t>(image.sizeInBytes()));
        return image;
    });
}

QImage BitmapInTheMaking::take(int width, int height) {
    if (making_.valid() && width == width_ && height == height_) {
        try {
            return making_.get();
        } catch (const Error&) {
            // Too large or out of memory: makeBitmap below says so in the caller's words.
        }
    }
    return makeBitmap(width, height);
}

}  // namespace brenlow
